#include "effectiveoptions.h"

#include "configtreefile.h"
#include "treenode.h"

QList<const TreeNode *> effectiveOptions(const TreeNode *setting, ChipDefaultTier chipDefault)
{
    QList<const TreeNode *> written;
    const int count = setting->childCount();
    for (int i = 0; i < count; ++i) {
        if (setting->child(i)->isChosen())
            written.append(setting->child(i));
    }
    if (!written.isEmpty())
        return written;

    for (int i = 0; i < count; ++i) {
        if (setting->child(i)->imageIndex == TreeNode::CompilerDefaultImage)
            written.append(setting->child(i));
    }
    if (!written.isEmpty())
        return written;

    const QString trueText = QStringLiteral("true");
    for (int i = 0; i < count; ++i) {
        const TreeNode *option = setting->child(i);
        if (FindAttribute(option, QStringLiteral("default")) != trueText)
            continue;
        if (chipDefault == ChipDefaultTier::FirstDefaultWithConfig) {
            // Only the first default counts, even when a later one would have an assignment.
            if (!FindAttribute(option, QStringLiteral("config")).isEmpty())
                written.append(option);
            break;
        }
        written.append(option);
        if (chipDefault == ChipDefaultTier::FirstDefault)
            break;
    }
    return written;
}
