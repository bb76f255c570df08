#include "configsession.h"

#include "configtreefile.h"
#include "filesystempath.h"
#include "taglist.h"

#include <QFileInfo>
#include <vector>

namespace {

// The text from two characters after the first "=" (the whole text after the first character
// when there is no "="), as the name lists take it from an attribute line.
QString afterEquals(const QString &text)
{
    return text.mid(text.indexOf(QLatin1Char('=')) + 2);
}

void resetToOneEmptyEntry(TagList *list)
{
    if (!list)
        return;
    list->beginUpdate();
    list->clear();
    list->add(QString());
    list->endUpdate();
}

} // namespace

QString ConfigSession::treeFilePath(const QString &mcuName)
{
    return QStringLiteral("PIC\\PIC") + mcuName + QStringLiteral(".cfgtree");
}

bool ConfigSession::ADD_ButtonClick(const QString &mcuName)
{
    m_loader.clear();
    if (!mcuName.startsWith(QLatin1Char(';'))) {
        const QString path = treeFilePath(mcuName);
        if (QFileInfo::exists(toFileSystemPath(path)))
            LoadConfigTreeFile(path, m_loader);
    }
    if (m_loader.isEmpty())
        return false;

    const TreeNode *source = m_loader.first();
    TreeNode *device = m_tree.appendTopLevel(source->text);
    CopyConfigTree(device, source);
    runGenerate();
    expandToLevel(3);
    return true;
}

void ConfigSession::New1Click()
{
    m_selected = nullptr;
    m_tree.clear();
    resetToOneEmptyEntry(m_lists.configBits);
    resetToOneEmptyEntry(m_lists.newConfigBits);
}

void ConfigSession::FindConfigBitLists()
{
    m_lists = findConfigBitLists ? findConfigBitLists() : ConfigBitLists{};
}

void ConfigSession::CopyConfigTree(TreeNode *destination, const TreeNode *source)
{
    FindConfigBitLists();
    if (source->hasChildren()) {
        TagList *configBits = m_lists.configBits;
        TagList *newConfigBits = m_lists.newConfigBits;
        if (configBits)
            configBits->beginUpdate();

        // Pre-order copy with an explicit stack: device files may nest deeper than the call stack.
        struct Frame {
            TreeNode *destination;
            const TreeNode *source;
            int next;
        };
        std::vector<Frame> stack{{destination, source, 0}};
        while (!stack.empty()) {
            Frame &frame = stack.back();
            if (frame.next >= frame.source->childCount()) {
                stack.pop_back();
                continue;
            }
            const TreeNode *c = frame.source->child(frame.next++);
            TreeNode *d = frame.destination->appendChild(c->text);
            const QString trueText = QStringLiteral("true");
            if (FindAttribute(c, QStringLiteral("selected")) == trueText)
                d->stateIndex = TreeNode::ChosenMark;
            if (FindAttribute(c, QStringLiteral("Tessel")) == trueText)
                d->imageIndex = TreeNode::CompilerDefaultImage;
            else if (FindAttribute(c, QStringLiteral("default")) == trueText)
                d->imageIndex = TreeNode::ChipDefaultImage;

            if (configBits) {
                if (c->text.contains(QLatin1String("legacy")) ||
                    c->text.contains(QLatin1String("__config")))
                    configBits->add(afterEquals(c->text));
            }
            if (newConfigBits && !FindAttribute(c, QStringLiteral("config")).isEmpty())
                newConfigBits->add(frame.source->text);

            if (c->hasChildren())
                stack.push_back({d, c, 0});
        }

        if (configBits)
            configBits->endUpdate();
    }
    if (applyStyleAvailability)
        applyStyleAvailability(styleAvailability(m_tree));
}

void ConfigSession::ChooseOption(TreeNode *node)
{
    if (node && node->level() == 3 && node->hasChildren()) {
        TreeNode *setting = node->parent();
        for (int i = 0; i < setting->childCount(); ++i) {
            if (setting->child(i)->isChosen())
                setting->child(i)->stateIndex = TreeNode::NoStateImage;
        }
        node->stateIndex = TreeNode::ChosenMark;
        for (TreeNode *a = node->parent(); a; a = a->parent())
            a->expanded = true;
        m_selected = node;
    }
    runGenerate();
}

void ConfigSession::Unselect1Click()
{
    if (m_selected && m_selected->isChosen()) {
        m_selected->stateIndex = TreeNode::NoStateImage;
        runGenerate();
    }
}

bool ConfigSession::popupActionsEnabled() const
{
    return m_selected && m_selected->level() == 3 && m_selected->hasChildren();
}

void ConfigSession::expandToLevel(int level)
{
    if (m_tree.isEmpty())
        return;
    m_tree.forEach([level](TreeNode *n) {
        n->expanded = n->level() < level;
        return true;
    });
}

void ConfigSession::runGenerate()
{
    if (generate)
        generate();
}
