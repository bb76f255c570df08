// orvex-devicedata: builds the device library (PIC/DEVICES.txt and one scrambled
// PIC/PIC<mcu>.cfgtree per device) from gputils' device headers.

#include "deviceconfig.h"
#include "deviceheader.h"
#include "devicelibrary.h"
#include "gpasmtable.h"
#include "orvexerror.h"
#include "scrambler.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace {

void warn(const QString &text)
{
    std::fprintf(stderr, "orvex-devicedata: %s\n", text.toUtf8().constData());
}

int usage(const QString &message)
{
    if (!message.isEmpty())
        warn(message);
    std::fputs("Usage: orvex-devicedata --headers DIR --out DIR [--gpasm PATH] [--verbose]\n"
               "  Reads every p*.inc device header in the headers folder and writes\n"
               "  OUT/PIC/DEVICES.txt and OUT/PIC/PIC<mcu>.cfgtree. Headers that list CONFIG\n"
               "  settings without option symbols take their words from gpasm's table.\n",
               stderr);
    return 2;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        warn(QStringLiteral("cannot write \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString headersDir;
    QString outDir;
    QString gpasm;
    bool verbose = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--headers") && i + 1 < args.size())
            headersDir = args[++i];
        else if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outDir = args[++i];
        else if (args[i] == QLatin1String("--gpasm") && i + 1 < args.size())
            gpasm = args[++i];
        else if (args[i] == QLatin1String("--verbose"))
            verbose = true;
        else if (args[i] == QLatin1String("--help") || args[i] == QLatin1String("-h"))
            return usage({});
        else
            return usage(QStringLiteral("unexpected argument \"%1\"").arg(args[i]));
    }
    if (headersDir.isEmpty() || outDir.isEmpty())
        return usage(QStringLiteral("--headers and --out are both needed"));

    const QDir headers(headersDir);
    if (!headers.exists()) {
        warn(QStringLiteral("no headers folder \"%1\"").arg(headersDir));
        return 1;
    }
    const QString picDir = QDir(outDir).filePath(QStringLiteral("PIC"));
    if (!QDir().mkpath(picDir)) {
        warn(QStringLiteral("cannot create \"%1\"").arg(picDir));
        return 1;
    }

    QString gpasmListing;
    if (!gpasm.isEmpty()) {
        gpasmListing = GpasmTable::query(gpasm);
        if (gpasmListing.isEmpty())
            warn(QStringLiteral("cannot run \"%1\"; no processor table").arg(gpasm));
    }

    QStringList written;
    int skipped = 0;
    const QStringList files =
        headers.entryList({QStringLiteral("p*.inc")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &fileName : files) {
        try {
            QFile file(headers.filePath(fileName));
            if (!file.open(QIODevice::ReadOnly))
                throw OrvexError(file.errorString());
            const DeviceHeader header = readDeviceHeader(TextFile::decode(file.readAll()));
            const bool listOnly = header.groups.isEmpty() && !header.listedSettings.isEmpty();
            const QString table = GpasmTable::deviceListing(gpasmListing, header.deviceName);
            DeviceConfig device = listOnly && !gpasm.isEmpty()
                                      ? GpasmTable::buildFromTable(header, table)
                                      : buildDeviceConfig(header);
            GpasmTable::dropUnknownSettings(device, table);
            if (device.registers.isEmpty())
                throw OrvexError(QStringLiteral("gpasm knows none of its settings"));
            if (written.contains(device.name))
                throw OrvexError(QStringLiteral("a second header for %1").arg(device.name));
            if (verbose) {
                for (const QString &note : device.notes)
                    warn(QStringLiteral("%1: %2").arg(fileName, note));
            }
            const QByteArray tree =
                Scrambler::transform(DeviceLibrary::encode(DeviceLibrary::configTreeText(device)));
            if (!writeFile(QDir(picDir).filePath(QLatin1String("PIC") + device.name +
                                                 QLatin1String(".cfgtree")),
                           tree))
                return 1;
            written.append(device.name);
        } catch (const OrvexError &e) {
            warn(QStringLiteral("skipped %1: %2").arg(fileName, e.message()));
            ++skipped;
        }
    }
    if (!writeFile(QDir(picDir).filePath(QStringLiteral("DEVICES.txt")),
                   DeviceLibrary::encode(DeviceLibrary::catalogueText(written))))
        return 1;
    warn(QStringLiteral("%1 devices written, %2 skipped").arg(written.size()).arg(skipped));
    return written.isEmpty() ? 1 : 0;
}
