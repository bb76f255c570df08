#pragma once

#include "styleavailability.h"
#include "treenode.h"

#include <QString>
#include <functional>

class TagList;

// The loaded device: the loader tree, the visible configuration tree with its marks, expansion and
// selected node, and the operations that load, clear and choose. The window (or the command-line
// front end) connects the callbacks: regeneration, the style radios, and the lookup of the MPASM
// lexer's configuration-name lists.
class ConfigSession {
public:
    struct ConfigBitLists {
        TagList *configBits = nullptr;    // old-style names
        TagList *newConfigBits = nullptr; // new-style setting names
    };

    std::function<void()> generate;
    std::function<void(const StyleAvailability &)> applyStyleAvailability;
    std::function<ConfigBitLists()> findConfigBitLists;

    const Tree &loaderTree() const { return m_loader; }
    const Tree &tree() const { return m_tree; }
    Tree &tree() { return m_tree; }
    bool isEmpty() const { return m_tree.isEmpty(); }

    TreeNode *selectedNode() const { return m_selected; }
    void setSelectedNode(TreeNode *node) { m_selected = node; }

    TagList *configBits() const { return m_lists.configBits; }
    TagList *newConfigBits() const { return m_lists.newConfigBits; }

    static QString treeFilePath(const QString &mcuName);

    // Loads the device named `mcuName`, regenerates and expands down to the options. Returns false
    // when nothing was loaded (a ";" name, a missing or empty file). Throws OrvexError on an open
    // or level error, with the view untouched.
    bool ADD_ButtonClick(const QString &mcuName);

    // Clears the tree and resets each name list to one empty entry.
    void New1Click();

    void CopyConfigTree(TreeNode *destination, const TreeNode *source);
    void FindConfigBitLists();

    // Marks an option with attribute lines as the choice of its setting; always regenerates.
    void ChooseOption(TreeNode *node);
    // Removes the chosen mark from the selected node, if it carries one, and regenerates.
    void Unselect1Click();
    // Whether "Select" and "Unselect" of the tree's pop-up act on the selected node.
    bool popupActionsEnabled() const;

    // Collapses the tree, then expands every node above `level` (1 = registers ... 4 = attributes).
    void expandToLevel(int level);

private:
    void runGenerate();

    Tree m_loader;
    Tree m_tree;
    TreeNode *m_selected = nullptr;
    ConfigBitLists m_lists;
};
