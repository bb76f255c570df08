#pragma once

#include <QStringView>

// Lexer names, grammar words and identifiers compare without case, but only for ASCII letters:
// that is what the definitions rely on, and it is far cheaper than full Unicode case folding.
inline bool equalsAsciiNoCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'A' && x <= 'Z')
            x += 32;
        if (y >= 'A' && y <= 'Z')
            y += 32;
        if (x != y)
            return false;
    }
    return true;
}
