#pragma once

#include "catalogue/database/DbResult.h"

namespace kavro {

class Catalogue;
class TreeNode;

// Where a dragged item comes from. Items from lists are given as their node in the category
// tree (a disc's node is found by machine and slot).
enum class DragSource {
    CategoryTree,    // TreeView1 itself
    CategoryList,    // ListView2: discs and sub-categories of a category
    QuickSearchList, // ListView4
    SearchView,      // an advanced-search tab's rows
    MachineList,     // ListView5: accepted by the pointer, changes nothing
};

// Whether the pointer accepts dropping dragged on target: CategoryRoot or a category only;
// never a node on itself or its current parent, a category into its own sub-tree, or a disc on
// CategoryRoot; nodes without data cannot be dragged.
bool CanDropOnCategoryTree(DragSource source, const TreeNode& dragged, const TreeNode& target);

enum class DropEffect { None, CategoryMoved, DiscMoved };

// The data side of a drop. A category, nested or directly under the root, becomes the target's
// last child and the categories (with their nesting) are saved. A disc becomes
// the target category's last child and its row takes the target's id. The caller updates the
// disc's entry and the lists.
DbResult<DropEffect> DropOnCategoryTree(Catalogue& catalogue, DragSource source, TreeNode& dragged,
                                        TreeNode& target);

} // namespace kavro
