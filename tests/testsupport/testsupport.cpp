#include "testsupport.h"

#include "scrambler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <stdexcept>

namespace TestSupport {

QString fixturePath(const QString &relative)
{
    return QStringLiteral(ORVEX_FIXTURES_DIR "/") + relative;
}

QByteArray readFixture(const QString &relative)
{
    QFile f(fixturePath(relative));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing fixture " + relative.toStdString());
    return f.readAll();
}

DataDir::DataDir()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("PIC"));
}

void DataDir::writeFile(const QString &relative, const QByteArray &bytes)
{
    const QString full = m_dir.path() + QLatin1Char('/') + relative;
    QDir().mkpath(QFileInfo(full).path());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + full.toStdString());
}

void DataDir::writeCatalogue(const QByteArray &bytes)
{
    writeFile(QStringLiteral("PIC/DEVICES.txt"), bytes);
}

void DataDir::writeTree(const QString &mcu, const QByteArray &plainText)
{
    writeFile(QStringLiteral("PIC/PIC%1.cfgtree").arg(mcu), Scrambler::transform(plainText));
}

void DataDir::addFixtureTree(const QString &mcu, const QString &fixtureName)
{
    writeTree(mcu, readFixture(QStringLiteral("trees/%1.txt").arg(fixtureName)));
}

QStringList CliResult::outLines() const
{
    QStringList lines = out.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

CliResult runCli(const QStringList &args, const QString &workingDir)
{
    QProcess p;
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(QStringLiteral(ORVEX_CLI_PATH), args);
    CliResult r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace TestSupport
