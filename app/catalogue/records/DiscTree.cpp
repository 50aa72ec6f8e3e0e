#include "catalogue/records/DiscTree.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "platform/Person.h"

namespace kavro {

bool LoadDiscTree(Catalogue& catalogue, int machine, int slot)
{
    BusyCursor busy(catalogue.person());
    DiscCursor& cursor = catalogue.discCursor();
    cursor.first();
    if (!LocateDisc(catalogue, machine, slot))
        return false;
    ReadDiscRecord(catalogue);
    const int indexCount = cursor.integer("TreeIndexS");
    const int dataCount = cursor.integer("TreeDataS");
    FileTree& tree = catalogue.fileTree();
    tree.clear();
    if (indexCount > 0 && dataCount > 0) {
        // Straight from the database's buffers into the tree: one copy of each block.
        cursor.viewFields({"TreeIndex", "TreeData"}, [&](const std::vector<std::string_view>& blocks) {
            tree = FileTree::fromStored(indexCount, blocks[0], dataCount, blocks[1]);
        });
    }
    tree.machine = machine;
    tree.slot = slot;
    return true;
}

DbStatus SaveDiscTree(Catalogue& catalogue)
{
    DiscCursor& cursor = catalogue.discCursor();
    const FileTree& tree = catalogue.fileTree();
    const int entries = tree.entryCount();
    const int bytes = tree.poolBytes();
    if (auto s = cursor.setField("TreeIndexS", DbValue(entries)); !s)
        return s;
    if (auto s = cursor.setField("TreeDataS", DbValue(bytes)); !s)
        return s;
    if (entries >= 1 && bytes >= 1) {
        if (auto s = cursor.setField("TreeIndex", DbValue::blob(tree.indexBlock())); !s)
            return s;
        return cursor.setField("TreeData", DbValue::blob(tree.pool));
    }
    if (auto s = cursor.setField("TreeIndex", DbValue::null()); !s)
        return s;
    return cursor.setField("TreeData", DbValue::null());
}

} // namespace kavro
