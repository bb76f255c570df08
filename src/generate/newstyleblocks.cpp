#include "newstyleblocks.h"

#include "commentcolumn.h"
#include "configtreefile.h"
#include "effectiveoptions.h"
#include "styleavailability.h"
#include "treenode.h"

namespace {

constexpr int MaxPackedLength = 80;

} // namespace

QString RemoveSpaces(const QString &text)
{
    QString result = text;
    result.remove(QLatin1Char(' '));
    return result;
}

bool NewStyleBlocks::openFrame()
{
    if (!NewStyleAvailable(m_context.tree))
        return false;
    if (m_context.options.tessel3) {
        m_context.editor.appendLine(QStringLiteral("#CONFIG"));
        m_context.editor.setLexerByName(QStringLiteral("Tessel"));
    } else if (m_context.options.headers) {
        m_context.editor.appendLine(QStringLiteral(";  Note: With Tessel versions prior to 3.0"));
        m_context.editor.appendLine(QStringLiteral(";        These lines must be placed in the ") +
                                    m_context.options.mcuName + QStringLiteral(".inc file"));
        m_context.editor.appendLine(
            QStringLiteral(";        in your Tessel folder, replacing any existing CONFIG lines."));
        m_context.editor.setLexerByName(QStringLiteral("MPASM"));
    }
    return true;
}

void NewStyleBlocks::closeFrame()
{
    if (m_context.options.tessel3) {
        m_context.editor.appendLine(QStringLiteral("#ENDCONFIG"));
        m_context.editor.appendLine(QString());
    }
}

void NewStyleBlocks::GenerateALLButtonClick()
{
    if (!openFrame())
        return;
    m_context.tree.forEach([this](TreeNode *node) {
        if (node->level() == 2) {
            for (const TreeNode *option :
                 effectiveOptions(node, ChipDefaultTier::FirstDefaultWithConfig))
                EmitNewOption(option);
        }
        return true;
    });
    closeFrame();
}

void NewStyleBlocks::EmitNewOption(const TreeNode *option)
{
    const QString text =
        QStringLiteral("  CONFIG  ") + FindAttribute(option, QStringLiteral("config"));
    m_context.editor.appendLine(newStyleLine(text, m_context.commentsOn(),
                                             m_context.options.commentColumn,
                                             FindAttribute(option, QStringLiteral("desc"))));
}

void NewStyleBlocks::GenerateNewLongLines()
{
    if (!openFrame())
        return;
    m_openLine.clear();
    m_lineOpen = false;
    m_context.tree.forEach([this](TreeNode *node) {
        if (node->level() == 2) {
            for (const TreeNode *option :
                 effectiveOptions(node, ChipDefaultTier::FirstDefaultWithConfig))
                PackNewOption(option);
        }
        return true;
    });
    if (m_lineOpen)
        FlushNewLine();
    closeFrame();
}

void NewStyleBlocks::PackNewOption(const TreeNode *option)
{
    const QString item = RemoveSpaces(FindAttribute(option, QStringLiteral("config")));
    if (m_lineOpen && m_openLine.size() + item.size() + 2 > MaxPackedLength)
        FlushNewLine(); // a fresh line always takes the item, however long it is
    if (m_lineOpen) {
        m_openLine += QStringLiteral(", ") + item;
    } else {
        m_openLine = QStringLiteral("  CONFIG  ") + item;
        m_lineOpen = true;
    }
}

void NewStyleBlocks::FlushNewLine()
{
    if (m_lineOpen)
        m_context.editor.appendLine(m_openLine);
    m_lineOpen = false;
}
