#include "treenode.h"

#include <utility>

TreeNode::TreeNode(QString text, TreeNode *parent) : text(std::move(text)), m_parent(parent)
{
    if (parent)
        m_level = parent->m_level + 1;
}

TreeNode::~TreeNode()
{
    removeChildren();
}

TreeNode *TreeNode::nextSibling() const
{
    if (!m_parent)
        return nullptr;
    const int next = m_index + 1;
    return next < m_parent->childCount() ? m_parent->child(next) : nullptr;
}

TreeNode *TreeNode::appendChild(QString childText)
{
    auto node = std::make_unique<TreeNode>(std::move(childText), this);
    node->m_index = childCount();
    m_children.push_back(std::move(node));
    return m_children.back().get();
}

void TreeNode::removeChildren()
{
    // Tear down iteratively: move every grandchild into one flat list before destroying its owner.
    std::vector<std::unique_ptr<TreeNode>> pending = std::move(m_children);
    m_children.clear();
    while (!pending.empty()) {
        std::unique_ptr<TreeNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto &c : node->m_children)
            pending.push_back(std::move(c));
        node->m_children.clear();
    }
}

Tree::Tree() = default;

void Tree::forEachBelow(TreeNode *node, const std::function<bool(TreeNode *)> &visit)
{
    std::vector<std::pair<TreeNode *, int>> stack{{node, 0}};
    while (!stack.empty()) {
        auto &[parent, next] = stack.back();
        if (next >= parent->childCount()) {
            stack.pop_back();
            continue;
        }
        TreeNode *c = parent->child(next++);
        if (!visit(c))
            return;
        if (c->hasChildren())
            stack.emplace_back(c, 0);
    }
}

void Tree::forEach(const std::function<bool(TreeNode *)> &visit) const
{
    forEachBelow(const_cast<TreeNode *>(&m_root), visit);
}

TreeNode *Tree::firstAtLevel(int level) const
{
    TreeNode *found = nullptr;
    forEach([&](TreeNode *n) {
        if (n->level() == level)
            found = n;
        return found == nullptr;
    });
    return found;
}

int Tree::nodeCount() const
{
    int count = 0;
    forEach([&](TreeNode *) {
        ++count;
        return true;
    });
    return count;
}
