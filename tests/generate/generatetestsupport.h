#pragma once

#include "configsession.h"
#include "generator.h"
#include "outputsink.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The editor pane as a plain list of lines. The lexer starts empty, so "unchanged" shows.
class ListSink : public OutputSink {
public:
    QStringList lines;
    QString lexer;

    void clearLines() override { lines.clear(); }
    void appendLine(const QString &line) override { lines.append(line); }
    void setLexerByName(const QString &name) override { lexer = name; }
};

// Loads a device the way the window does: the plain tree is scrambled into a temporary data
// folder and read back through ConfigSession::ADD_ButtonClick. Nothing is generated.
void loadDevice(ConfigSession &session, const QString &mcu, const QByteArray &plainTree);

// The same for tests/fixtures/generate/trees/<name>.txt.
void loadFixtureDevice(ConfigSession &session, const QString &mcu, const QString &name);

// One generation run with fresh panes.
struct GenerationResult {
    QStringList lines;
    QString lexer;
    QStringList errors;
};
GenerationResult generate(const ConfigSession &session, const OutputOptions &options);
