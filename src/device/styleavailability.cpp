#include "styleavailability.h"

#include "configtreefile.h"
#include "treenode.h"

bool OldStyleAvailable(const Tree &tree)
{
    const TreeNode *node = tree.firstAtLevel(3);
    if (node && !node->hasChildren())
        node = node->nextSibling();
    if (!node)
        return false;
    return !FindAttribute(node, QStringLiteral("__config")).isEmpty() ||
           !FindAttribute(node, QStringLiteral("legacy")).isEmpty();
}

bool NewStyleAvailable(const Tree &tree)
{
    for (const TreeNode *node = tree.firstAtLevel(3); node; node = node->nextSibling()) {
        if (node->hasChildren() && !FindAttribute(node, QStringLiteral("config")).isEmpty())
            return true;
    }
    return false;
}

StyleAvailability styleAvailability(const Tree &tree)
{
    const bool newStyle = NewStyleAvailable(tree);
    const bool oldStyle = OldStyleAvailable(tree);
    StyleAvailability result;
    result.newEnabled = newStyle;
    result.oldEnabled = oldStyle;
    result.newChecked = newStyle || !oldStyle;
    return result;
}
