#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Helpers shared by the tests.
namespace TestSupport {

QString fixturePath(const QString &relative);
QByteArray readFixture(const QString &relative);

// A temporary data folder laid out as the program expects (PIC\DEVICES.txt, PIC\PIC<mcu>.cfgtree).
class DataDir {
public:
    DataDir();
    QString path() const { return m_dir.path(); }
    // Writes PIC/DEVICES.txt with the given raw bytes.
    void writeCatalogue(const QByteArray &bytes);
    // Scrambles the plain tree text and writes it as PIC/PIC<mcu>.cfgtree.
    void writeTree(const QString &mcu, const QByteArray &plainText);
    // Scrambles a plain fixture from tests/fixtures/trees/<name>.txt into PIC/PIC<mcu>.cfgtree.
    void addFixtureTree(const QString &mcu, const QString &fixtureName);
    void writeFile(const QString &relative, const QByteArray &bytes);

private:
    QTemporaryDir m_dir;
};

// Runs orvex-cli with the arguments; returns the exit code and fills stdout/stderr (UTF-8).
struct CliResult {
    int exitCode = -1;
    QString out;
    QString err;
    QStringList outLines() const;
};
CliResult runCli(const QStringList &args, const QString &workingDir = {});

} // namespace TestSupport
