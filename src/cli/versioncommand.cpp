#include "clicommands.h"
#include "versioninfo.h"

#include <QFileInfo>

int runVersion(const QStringList &args)
{
    if (args.size() != 1)
        throw UsageError{QStringLiteral("version needs exactly one FILE")};
    const QString &path = args.first();
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        printErr(QStringLiteral("Cannot read \"%1\".").arg(path));
        return ExitFailure;
    }
    const auto info = VersionInfo::fromFile(path);
    if (!info) {
        printOut(QStringLiteral("No version information found"));
        return ExitFailure;
    }
    if (info->fixedFileVersion)
        printOut(QStringLiteral("Fixed file version: ") + info->fixedFileVersionText());
    for (const VersionInfo::StringTable &table : info->stringTables) {
        printOut(QLatin1Char('[') + table.block + QLatin1Char(']'));
        for (const VersionInfo::Field &field : table.fields)
            printOut(field.key + QStringLiteral(" = ") + field.value);
    }
    return ExitOk;
}
