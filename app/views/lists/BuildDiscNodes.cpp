#include "views/lists/BuildDiscNodes.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "platform/Text.h"
#include "views/lists/DiscList.h"

namespace kavro {

namespace {

// The node of a loaded category, or nullptr.
TreeNode* categoryNode(Catalogue& catalogue, int categoryIndex)
{
    CategoryList& categories = catalogue.categories();
    if (categoryIndex < 0 || categoryIndex >= categories.count())
        return nullptr;
    return categories[categoryIndex].node;
}

DiscEntry entryFor(const DiscRecord& disc, TreeNode& node, const TreeNode& category)
{
    DiscEntry entry;
    entry.machine = disc.machine;
    entry.slot = disc.slot;
    entry.created = disc.created;
    entry.node = &node;
    entry.categoryOrdinal = disc.categoryIndex;
    entry.categoryName = text::trimSpaces(category.text);
    entry.deviceType = disc.deviceType;
    return entry;
}

} // namespace

int BuildDiscNodes(Catalogue& catalogue, DiscList& discs)
{
    DiscCursor& cursor = catalogue.discCursor();
    int made = 0;
    for (cursor.first(); !cursor.eof(); cursor.next()) {
        if (!ReadDiscRecord(catalogue))
            break;
        const DiscRecord& disc = catalogue.currentDisc();
        TreeNode* category = categoryNode(catalogue, disc.categoryIndex);
        if (!category)
            continue; // still found by search
        TreeNode& node = category->addChild(disc.title, NodeKind::Disc);
        if (!disc.fileSystem.empty() || disc.storedEntryCount != 0)
            node.image = DiscContentImage;
        node.selectedImage = DiscSelectedImage;
        discs.add(entryFor(disc, node, *category));
        ++made;
    }
    catalogue.categoryTree().sort();
    return made;
}

TreeNode* AddDiscNode(Catalogue& catalogue, DiscList& discs, const DiscRecord& disc)
{
    TreeNode* category = categoryNode(catalogue, disc.categoryIndex);
    if (!category)
        return nullptr;
    CategoryTree& tree = catalogue.categoryTree();
    // The add flow overwrites the row of a slot in use; the slot keeps one node.
    if (const int existing = discs.find(disc.machine, disc.slot); existing >= 0) {
        DiscEntry& entry = discs[existing];
        TreeNode* node = entry.node;
        node->text = disc.title;
        if (node->parent() != category)
            tree.moveTo(*node, *category);
        entry.categoryOrdinal = disc.categoryIndex;
        entry.categoryName = text::trimSpaces(category->text);
        entry.deviceType = disc.deviceType;
        entry.created = disc.created;
        return node;
    }
    TreeNode& node = category->addChild(disc.title, NodeKind::Disc);
    discs.add(entryFor(disc, node, *category));
    return &node;
}

} // namespace kavro
