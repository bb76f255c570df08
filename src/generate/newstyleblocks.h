#pragma once

#include "generationcontext.h"

#include <QString>

class TreeNode;

// The new-style body: "CONFIG" directives whose arguments are the options' "config" assignments,
// either one per line with an optional comment or packed into lines of at most 80 characters.
class NewStyleBlocks {
public:
    explicit NewStyleBlocks(const GenerationContext &context) : m_context(context) {}

    void GenerateALLButtonClick();
    void GenerateNewLongLines();

private:
    void EmitNewOption(const TreeNode *option);
    void PackNewOption(const TreeNode *option);
    void FlushNewLine();
    bool openFrame();
    void closeFrame();

    GenerationContext m_context;
    QString m_openLine;
    bool m_lineOpen = false;
};

// `text` without its space characters (U+0020 only).
QString RemoveSpaces(const QString &text);
