#include "generatetestsupport.h"

#include "testsupport.h"

#include <QDir>
#include <stdexcept>

void loadDevice(ConfigSession &session, const QString &mcu, const QByteArray &plainTree)
{
    TestSupport::DataDir data;
    data.writeTree(mcu, plainTree);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(data.path());
    session.New1Click();
    const bool loaded = session.ADD_ButtonClick(mcu);
    QDir::setCurrent(previous);
    if (!loaded)
        throw std::runtime_error("device not loaded: " + mcu.toStdString());
}

void loadFixtureDevice(ConfigSession &session, const QString &mcu, const QString &name)
{
    loadDevice(session, mcu,
               TestSupport::readFixture(QStringLiteral("generate/trees/%1.txt").arg(name)));
}

GenerationResult generate(const ConfigSession &session, const OutputOptions &options)
{
    ListSink sink;
    GenerationResult result;
    GenerateButtonClick(session.tree(), options, sink, result.errors);
    result.lines = sink.lines;
    result.lexer = sink.lexer;
    return result;
}
