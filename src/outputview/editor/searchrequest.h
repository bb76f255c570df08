#pragma once

#include <QString>

// What the find, replace and incremental-search commands look for.
struct SearchRequest {
    QString text;
    QString replacement;
    bool caseSensitive = false;
    bool wholeWords = false;
    bool backwards = false;
};
