#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavro {

// The kind byte of a navigation-tree node's data.
enum class NodeKind : std::uint8_t { Category = 1, Disc = 2, SearchTab = 3, ResultRow = 4, Removed = 255 };

// The three top-level nodes of the category tree; they carry no node data.
enum class TopNode { None, CategoryRoot, SearchRoot, LogRoot };

// One node of the category tree: a top node, a category, a disc, a folder of a disc's stored
// tree, or a search tab. Nodes own their children; a node keeps its address for its life, so
// entries of the category and disc tables may point at it.
class TreeNode {
public:
    std::string text;
    std::optional<NodeKind> kind; // the node data's kind; none for the top nodes and folder nodes
    TopNode top = TopNode::None;
    int id = 0;      // category id (categories)
    int machine = 0; // discs
    int slot = 0;    // discs
    int entry = -1;  // index of the node's entry in CategoryList (categories) or the disc table
    int image = -1;  // image and selected image of the tree's image list; -1 for none
    int selectedImage = -1;

    TreeNode* parent() const { return m_parent; }
    const std::vector<std::unique_ptr<TreeNode>>& children() const { return m_children; }
    std::size_t childCount() const { return m_children.size(); }
    TreeNode* child(std::size_t i) const { return m_children[i].get(); }

    bool hasData() const { return kind.has_value(); }
    bool isCategory() const { return kind == NodeKind::Category; }
    bool isDisc() const { return kind == NodeKind::Disc; }
    bool isTop() const { return top != TopNode::None; }
    // 0 for a top node, 1 for its children, and so on.
    int level() const;
    // Whether this node is other or lies below it.
    bool isWithin(const TreeNode& other) const;

    // Adds a child as the last one and returns it.
    TreeNode& addChild(std::unique_ptr<TreeNode> node);
    TreeNode& addChild(std::string nodeText, std::optional<NodeKind> nodeKind = std::nullopt);
    // Takes child out of this node's children and hands it over.
    std::unique_ptr<TreeNode> takeChild(TreeNode& child);
    std::size_t indexOf(const TreeNode& child) const;

    // Sorts the children (and theirs, recursively) with CompareTreeNodes; equal nodes keep their order.
    void sortChildren();

    // Visits this node's descendants in pre-order (a node, then its children in order).
    void forEachDescendant(const std::function<void(TreeNode&)>& visit);

private:
    TreeNode* m_parent = nullptr;
    std::vector<std::unique_ptr<TreeNode>> m_children;
};

// The order of the navigation tree, used by every sort of it: a top node equals everything
// (0); nodes with data of different kinds order by kind (categories before discs); otherwise by
// caption, ignoring the case of the letters A to Z. Negative, zero or positive.
int CompareTreeNodes(const TreeNode& a, const TreeNode& b);

// The navigation tree by category, without widgets: CategoryRoot with the categories (and,
// added by the main window, the discs) below it, then SearchRoot and LogRoot. The widget
// tree shows this model.
class CategoryTree {
public:
    CategoryTree() = default;
    CategoryTree(const CategoryTree&) = delete;
    CategoryTree& operator=(const CategoryTree&) = delete;

    void clear();
    TreeNode& addTop(TopNode which, std::string text);
    const std::vector<std::unique_ptr<TreeNode>>& topNodes() const { return m_top; }
    TreeNode* top(TopNode which) const;
    TreeNode* categoryRoot() const { return top(TopNode::CategoryRoot); }
    TreeNode* searchRoot() const { return top(TopNode::SearchRoot); }
    TreeNode* logRoot() const { return top(TopNode::LogRoot); }

    // Moves node to be the last child of newParent.
    void moveTo(TreeNode& node, TreeNode& newParent);
    // Deletes node with everything below it (top nodes are never deleted this way).
    void remove(TreeNode& node);

    // Every node in pre-order, top nodes included, in tree order.
    void forEach(const std::function<void(TreeNode&)>& visit) const;
    // The disc node of machine and slot, or nullptr.
    TreeNode* findDisc(int machine, int slot) const;

    // Sorts the whole tree, recursively, with CompareTreeNodes.
    void sort();

private:
    std::vector<std::unique_ptr<TreeNode>> m_top;
};

} // namespace kavro
