#pragma once

#include <QString>

// The output option controls of the main window as generation reads them, with their design
// defaults.
struct OutputOptions {
    bool headers = true;         // "Headers"
    bool tessel3 = true;         // "Tessel3"
    bool verifyMcu = true;       // "Verify MCU"
    bool comments = true;        // "Comments" checked
    bool commentsEnabled = true; // "Comments" enabled (disabled in "Long Lines" mode)
    int commentColumn = 30;      // 0 ... 80
    bool oldStyle = false;       // "OLD" checked, otherwise "NEW"
    bool longLines = false;      // "Long Lines" checked, otherwise "1 per Line"
    QString mcuName;             // the MCU box's text, verbatim
};
