#include "clidevice.h"

#include "clicommands.h"
#include "orvexerror.h"

CliDevice::CliDevice()
    : configBits(QStringList{QString()}),
      newConfigBits(QStringList{QStringLiteral("CLKOUTEN"), QStringLiteral("FOSC")})
{
    session.findConfigBitLists = [this] {
        return ConfigSession::ConfigBitLists{&configBits, &newConfigBits};
    };
}

bool CliDevice::load(const QString &mcuName)
{
    try {
        if (session.ADD_ButtonClick(mcuName))
            return true;
        printErr(QStringLiteral("No device loaded for \"%1\".").arg(mcuName));
    } catch (const OrvexError &e) {
        printErr(e.message());
    }
    return false;
}
