#include "generator.h"

#include "newstyleblocks.h"
#include "oldstyleblocks.h"
#include "styleavailability.h"
#include "treenode.h"

namespace {

constexpr int HeaderLength = 80;

} // namespace

void GenerateButtonClick(const Tree &tree, const OutputOptions &options, OutputSink &editor,
                         QStringList &errorLines)
{
    if (tree.isEmpty())
        return;
    editor.clearLines();

    if (options.headers) {
        // Exactly 80 characters for any name; a very long name cuts into the words.
        const QString header = QStringLiteral(";----[") + options.mcuName +
                               QStringLiteral(" Hardware Configuration]") +
                               QString(53, QLatin1Char('-'));
        editor.appendLine(header.left(HeaderLength));
    }
    const bool guard = options.verifyMcu && options.tessel3;
    if (guard) {
        editor.appendLine(QStringLiteral("#IF __PROCESSOR__ = \"") + options.mcuName +
                          QLatin1Char('"'));
        editor.appendLine(QStringLiteral("  #DEFINE MCU_FOUND 1"));
    }

    const GenerationContext context{tree, options, editor, errorLines};
    if (options.oldStyle) {
        if (OldStyleAvailable(tree)) {
            OldStyleBlocks blocks(context);
            if (options.longLines)
                blocks.GenerateOldALLButtonClick();
            else
                blocks.GenerateOldOnePerLine();
        } else {
            editor.appendLine(QStringLiteral("Old Style __config not available for this MCU"));
        }
    } else if (NewStyleAvailable(tree)) {
        NewStyleBlocks blocks(context);
        if (options.longLines)
            blocks.GenerateNewLongLines();
        else
            blocks.GenerateALLButtonClick();
    }

    if (guard) {
        editor.appendLine(QStringLiteral("#ENDIF"));
        editor.appendLine(QString());
        if (options.headers) {
            editor.appendLine(QStringLiteral(";----[Verify Configs have been specified for "
                                             "Selected Processor]----------------"));
            editor.appendLine(QStringLiteral(
                ";       Note: Only include this routine once, after all #CONFIG blocks"));
        }
        editor.appendLine(QStringLiteral("#IFNDEF MCU_FOUND"));
        editor.appendLine(
            QStringLiteral("  #ERROR \"No CONFIGs found for [\" + __PROCESSOR__ +\"]\""));
        editor.appendLine(QStringLiteral("#ENDIF"));
        editor.appendLine(QString());
    }
}
