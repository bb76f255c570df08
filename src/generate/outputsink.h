#pragma once

#include <QString>

// What generation writes to: the editor pane's line operations and its lexer choice.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual void clearLines() = 0;
    virtual void appendLine(const QString &line) = 0;
    // Switches the pane's highlighting to the library lexer of that name ("Tessel", "MPASM").
    virtual void setLexerByName(const QString &name) = 0;
};
