#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

// One node of a configuration tree: device (level 0), register (1), setting (2), option (3) or
// attribute line (4). The loader tree and the visible tree both use it; the marks only matter in
// the visible one.
class TreeNode {
public:
    static constexpr int NoStateImage = -1;
    static constexpr int ChosenMark = 4;
    static constexpr int PlainImage = 0;
    static constexpr int CompilerDefaultImage = 2;
    static constexpr int ChipDefaultImage = 6;

    explicit TreeNode(QString text = {}, TreeNode *parent = nullptr);
    ~TreeNode();
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    QString text;
    int stateIndex = NoStateImage;
    int imageIndex = PlainImage;
    bool expanded = false;

    // The parent node, or nullptr for a top-level node.
    TreeNode *parent() const { return m_parent && m_parent->m_parent ? m_parent : nullptr; }
    // 0 for a top-level node.
    int level() const { return m_level; }
    // Position among the siblings.
    int index() const { return m_index; }

    int childCount() const { return static_cast<int>(m_children.size()); }
    bool hasChildren() const { return !m_children.empty(); }
    TreeNode *child(int i) const { return m_children[static_cast<size_t>(i)].get(); }
    TreeNode *firstChild() const { return m_children.empty() ? nullptr : m_children.front().get(); }
    TreeNode *nextSibling() const;

    TreeNode *appendChild(QString text);
    void removeChildren();

    bool isChosen() const { return stateIndex == ChosenMark; }

private:
    friend class Tree;
    TreeNode *m_parent = nullptr;
    int m_level = -1;
    int m_index = 0;
    std::vector<std::unique_ptr<TreeNode>> m_children;
};

// An ordered forest of TreeNodes. Deep trees are handled without recursion, so a hostile file of
// thousands of nesting levels cannot exhaust the stack.
class Tree {
public:
    Tree();

    bool isEmpty() const { return !m_root.hasChildren(); }
    int topLevelCount() const { return m_root.childCount(); }
    TreeNode *topLevel(int i) const { return m_root.child(i); }
    TreeNode *first() const { return m_root.firstChild(); }

    TreeNode *appendTopLevel(QString text) { return m_root.appendChild(std::move(text)); }
    void clear() { m_root.removeChildren(); }

    // Visits every node in pre-order (parents before children, children in order); stops when the
    // visitor returns false.
    void forEach(const std::function<bool(TreeNode *)> &visit) const;
    static void forEachBelow(TreeNode *node, const std::function<bool(TreeNode *)> &visit);

    // The first node of the given level in pre-order, or nullptr.
    TreeNode *firstAtLevel(int level) const;

    int nodeCount() const;

private:
    TreeNode m_root;
};
