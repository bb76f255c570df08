#pragma once

#include "configsession.h"
#include "taglist.h"

#include <QString>

// A device loaded the way the window loads it, with the configuration-name lists as the MPASM
// lexer defines them at start-up.
class CliDevice {
public:
    CliDevice();

    ConfigSession session;
    TagList configBits;
    TagList newConfigBits;

    // Runs the load; prints the error and returns false when nothing was loaded.
    bool load(const QString &mcuName);
};
