#include "oldstyleblocks.h"

#include "commentcolumn.h"
#include "configtreefile.h"
#include "effectiveoptions.h"
#include "styleavailability.h"
#include "treenode.h"

QString registerSuffix(const QString &registerName)
{
    if (registerName.isEmpty())
        return {};
    const QChar last = registerName.back();
    return registerName.right(last == QLatin1Char('L') || last == QLatin1Char('H') ? 2 : 1);
}

bool OldStyleBlocks::openFrame()
{
    if (!OldStyleAvailable(m_context.tree))
        return false;
    m_context.editor.setLexerByName(QStringLiteral("Tessel"));
    m_context.editor.appendLine(m_context.options.tessel3 ? QStringLiteral("#CONFIG")
                                                          : QStringLiteral("ASM"));
    m_singleRegister = m_context.tree.first()->childCount() == 1;
    m_register.clear();
    m_suffix.clear();
    return true;
}

void OldStyleBlocks::closeFrame()
{
    m_context.editor.appendLine(m_context.options.tessel3 ? QStringLiteral("#ENDCONFIG")
                                                          : QStringLiteral("ENDASM"));
    m_context.editor.appendLine(QString());
}

QString OldStyleBlocks::oldStyleName(const TreeNode *option)
{
    QString name = FindAttribute(option, QStringLiteral("__config"));
    if (name.isEmpty())
        name = FindAttribute(option, QStringLiteral("legacy"));
    if (name.isEmpty())
        m_context.errorLines.append(option->text + QStringLiteral(" Not Found"));
    return name;
}

void OldStyleBlocks::GenerateOldOnePerLine()
{
    if (!openFrame())
        return;
    m_blockOpen = false;
    m_firstOfBlock = true;
    m_context.tree.forEach([this](TreeNode *node) {
        if (node->level() == 1) {
            if (m_blockOpen)
                CloseOldRegisterBlock();
            m_register = node->text;
            m_suffix = registerSuffix(m_register);
        } else if (node->level() == 2) {
            for (const TreeNode *option : effectiveOptions(node, ChipDefaultTier::EveryDefault))
                EmitOldOption(option);
        }
        return true;
    });
    if (m_blockOpen)
        CloseOldRegisterBlock();
    closeFrame();
}

void OldStyleBlocks::EmitOldOption(const TreeNode *option)
{
    m_blockOpen = true;
    const QString name = oldStyleName(option);
    const QString variable =
        m_singleRegister ? QStringLiteral("cfg") : QStringLiteral("cfg") + m_suffix;
    QString line;
    if (m_firstOfBlock) {
        m_firstOfBlock = false;
        line = variable + QStringLiteral(" = ") + name;
    } else {
        line = variable + QStringLiteral("&= ") + name;
    }
    if (m_context.commentsOn())
        line = oldStyleCommentedLine(line, m_context.options.commentColumn,
                                     FindAttribute(option, QStringLiteral("desc")));
    m_context.editor.appendLine(line);
}

void OldStyleBlocks::CloseOldRegisterBlock()
{
    if (m_blockOpen) {
        m_context.editor.appendLine(m_singleRegister ? QStringLiteral("  __CONFIG cfg")
                                                     : QStringLiteral("  __CONFIG _") + m_register +
                                                           QStringLiteral(", cfg") + m_suffix);
        m_context.editor.appendLine(QString());
    }
    m_blockOpen = false;
    m_firstOfBlock = true;
}

void OldStyleBlocks::GenerateOldALLButtonClick()
{
    if (!openFrame())
        return;
    m_linePending = false;
    m_firstOfBlock = true;
    m_line.clear();
    m_context.tree.forEach([this](TreeNode *node) {
        if (node->level() == 1) {
            if (m_linePending)
                m_context.editor.appendLine(m_line);
            m_linePending = false;
            m_firstOfBlock = true;
            m_register = node->text;
        } else if (node->level() == 2) {
            for (const TreeNode *option : effectiveOptions(node, ChipDefaultTier::FirstDefault))
                addToLongLine(option);
        }
        return true;
    });
    if (m_linePending)
        m_context.editor.appendLine(m_line);
    closeFrame();
}

void OldStyleBlocks::addToLongLine(const TreeNode *option)
{
    m_linePending = true;
    const QString name = oldStyleName(option);
    if (m_firstOfBlock) {
        m_firstOfBlock = false;
        m_line = m_singleRegister
                     ? QStringLiteral("  __config  ") + name
                     : QStringLiteral("  __config  _") + m_register + QStringLiteral(", ") + name;
    } else {
        m_line += QStringLiteral(" & ") + name;
    }
}
