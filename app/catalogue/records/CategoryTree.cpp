#include "catalogue/records/CategoryTree.h"

#include "platform/Text.h"

#include <algorithm>

namespace kavro {

int TreeNode::level() const
{
    int n = 0;
    for (const TreeNode* p = m_parent; p; p = p->m_parent)
        ++n;
    return n;
}

bool TreeNode::isWithin(const TreeNode& other) const
{
    for (const TreeNode* p = this; p; p = p->m_parent) {
        if (p == &other)
            return true;
    }
    return false;
}

TreeNode& TreeNode::addChild(std::unique_ptr<TreeNode> node)
{
    node->m_parent = this;
    m_children.push_back(std::move(node));
    return *m_children.back();
}

TreeNode& TreeNode::addChild(std::string nodeText, std::optional<NodeKind> nodeKind)
{
    auto node = std::make_unique<TreeNode>();
    node->text = std::move(nodeText);
    node->kind = nodeKind;
    return addChild(std::move(node));
}

std::size_t TreeNode::indexOf(const TreeNode& child) const
{
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        if (m_children[i].get() == &child)
            return i;
    }
    return m_children.size();
}

std::unique_ptr<TreeNode> TreeNode::takeChild(TreeNode& child)
{
    const std::size_t i = indexOf(child);
    if (i == m_children.size())
        return nullptr;
    auto node = std::move(m_children[i]);
    m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(i));
    node->m_parent = nullptr;
    return node;
}

void TreeNode::sortChildren()
{
    std::stable_sort(m_children.begin(), m_children.end(),
                     [](const auto& a, const auto& b) { return CompareTreeNodes(*a, *b) < 0; });
    for (auto& c : m_children)
        c->sortChildren();
}

void TreeNode::forEachDescendant(const std::function<void(TreeNode&)>& visit)
{
    // Children may be added while visiting (never removed), so walk by index.
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        TreeNode& c = *m_children[i];
        visit(c);
        c.forEachDescendant(visit);
    }
}

int CompareTreeNodes(const TreeNode& a, const TreeNode& b)
{
    if (a.isTop() || b.isTop())
        return 0;
    if (a.kind && b.kind && *a.kind != *b.kind)
        return static_cast<int>(*a.kind) - static_cast<int>(*b.kind);
    const std::string x = text::upperAscii(a.text);
    const std::string y = text::upperAscii(b.text);
    // Bytes compare as unsigned, so UTF-8 letters sort after ASCII ones.
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void CategoryTree::clear()
{
    m_top.clear();
}

TreeNode& CategoryTree::addTop(TopNode which, std::string text)
{
    auto node = std::make_unique<TreeNode>();
    node->text = std::move(text);
    node->top = which;
    m_top.push_back(std::move(node));
    return *m_top.back();
}

TreeNode* CategoryTree::top(TopNode which) const
{
    for (const auto& n : m_top) {
        if (n->top == which)
            return n.get();
    }
    return nullptr;
}

void CategoryTree::moveTo(TreeNode& node, TreeNode& newParent)
{
    if (node.isTop() || !node.parent() || newParent.isWithin(node))
        return;
    auto owned = node.parent()->takeChild(node);
    if (owned)
        newParent.addChild(std::move(owned));
}

void CategoryTree::remove(TreeNode& node)
{
    if (node.isTop() || !node.parent())
        return;
    (void)node.parent()->takeChild(node);
}

void CategoryTree::forEach(const std::function<void(TreeNode&)>& visit) const
{
    for (std::size_t i = 0; i < m_top.size(); ++i) {
        TreeNode& t = *m_top[i];
        visit(t);
        t.forEachDescendant(visit);
    }
}

TreeNode* CategoryTree::findDisc(int machine, int slot) const
{
    TreeNode* found = nullptr;
    if (auto* root = categoryRoot()) {
        root->forEachDescendant([&](TreeNode& n) {
            if (!found && n.isDisc() && n.machine == machine && n.slot == slot)
                found = &n;
        });
    }
    return found;
}

void CategoryTree::sort()
{
    // The top nodes compare equal to everything, so they keep their order; sort below them.
    for (auto& t : m_top)
        t->sortChildren();
}

} // namespace kavro
