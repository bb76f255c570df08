#pragma once

#include "generationcontext.h"

#include <QString>

class TreeNode;

// The old-style body: "__CONFIG" directives built from the options' old-style names, either one
// cfg variable assignment per option or one long "__config" line per register. Options without an
// old-style name are listed in the error pane.
class OldStyleBlocks {
public:
    explicit OldStyleBlocks(const GenerationContext &context) : m_context(context) {}

    void GenerateOldOnePerLine();
    void GenerateOldALLButtonClick();

private:
    void EmitOldOption(const TreeNode *option);
    void CloseOldRegisterBlock();
    void addToLongLine(const TreeNode *option);
    bool openFrame();
    void closeFrame();
    QString oldStyleName(const TreeNode *option);

    GenerationContext m_context;
    bool m_singleRegister = false;
    QString m_register;
    QString m_suffix;
    bool m_blockOpen = false;   // one per line: a register's cfg lines have been written
    bool m_firstOfBlock = true; // also "first of line" in long-lines mode
    bool m_linePending = false; // long lines
    QString m_line;
};

// The suffix that names a register's cfg variable: its last character, or the last two when that
// character is "L" or "H".
QString registerSuffix(const QString &registerName);
