#include "clidevice.h"

#include "clicommands.h"
#include "orvexerror.h"

CliDevice::CliDevice()
{
    session.findConfigBitLists = [this] {
        const SyntAnalyzer *mpasm = library.AnalyzerForFile(u"a.asm");
        return ConfigSession::ConfigBitLists{FirstConditionTags(mpasm, QStringLiteral("Config Bits")),
                                             FirstConditionTags(mpasm, QStringLiteral("NewStyle Config Bits"))};
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
