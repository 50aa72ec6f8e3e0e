#include "catalogue/records/CategoryMoves.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"

namespace kavro {

bool CanDropOnCategoryTree(DragSource source, const TreeNode& dragged, const TreeNode& target)
{
    const bool targetIsRoot = target.top == TopNode::CategoryRoot;
    if (!targetIsRoot && !target.isCategory())
        return false;
    if (source == DragSource::MachineList)
        return true;
    if (!dragged.isCategory() && !dragged.isDisc())
        return false;
    if (&dragged == &target)
        return false;
    switch (source) {
    case DragSource::CategoryTree:
    case DragSource::CategoryList:
        if (&target == dragged.parent())
            return false;
        // A category dropped into its own sub-tree would cut that branch off the tree.
        if (dragged.isCategory() && target.isWithin(dragged))
            return false;
        return !(dragged.isDisc() && targetIsRoot);
    case DragSource::QuickSearchList:
    case DragSource::SearchView:
        return dragged.isDisc() && !targetIsRoot;
    case DragSource::MachineList:
        break;
    }
    return false;
}

DbResult<DropEffect> DropOnCategoryTree(Catalogue& catalogue, DragSource source, TreeNode& dragged,
                                        TreeNode& target)
{
    if (source == DragSource::MachineList || !CanDropOnCategoryTree(source, dragged, target))
        return DropEffect::None;
    CategoryTree& tree = catalogue.categoryTree();
    if (dragged.isCategory()) {
        tree.moveTo(dragged, target);
        if (auto saved = SaveCategories(catalogue); !saved)
            return saved.status();
        return DropEffect::CategoryMoved;
    }
    auto stored = SetDiscCategory(catalogue, dragged.machine, dragged.slot, target.id);
    if (!stored)
        return stored.status();
    tree.moveTo(dragged, target);
    return DropEffect::DiscMoved;
}

} // namespace kavro
