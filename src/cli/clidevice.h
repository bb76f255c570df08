#pragma once

#include "configsession.h"
#include "syntaxmanager.h"
#include "taglist.h"

#include <QString>


// A device loaded the way the window loads it, filling the configuration-name lists of the
// library's MPASM lexer.
class CliDevice {
public:
    CliDevice();

    SyntaxManager library;
    ConfigSession session;

    const TagList *configBits() const { return session.configBits(); }
    const TagList *newConfigBits() const { return session.newConfigBits(); }

    // Runs the load; prints the error and returns false when nothing was loaded.
    bool load(const QString &mcuName);
};
