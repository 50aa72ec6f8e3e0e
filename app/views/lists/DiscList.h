#pragma once

#include "catalogue/records/CategoryTree.h"

#include <string>
#include <vector>

namespace kavro {

// One catalogued disc shown in the navigation tree.
struct DiscEntry {
    NodeKind kind = NodeKind::Disc; // Removed once the disc has left the catalogue
    int machine = 0;
    int slot = 0;
    std::string created;      // CreateDate as read, "YYYY-MM-DD HH:MM:SS"
    TreeNode* node = nullptr; // the disc's node in TreeView1; nullptr once removed
    int categoryOrdinal = -1; // index of the disc's category in CategoryList
    std::string categoryName;
    std::string deviceType; // Devicetype of the disc's row

    bool isDisc() const { return kind == NodeKind::Disc && node != nullptr; }
};

// DiscList: the discs of the navigation tree in the order the disc table was read. Entries keep
// their index for the whole run (disc nodes and list rows refer to them by index); a removed
// disc's entry stays, marked Removed. The table grows as the catalogue needs.
class DiscList {
public:
    int count() const { return static_cast<int>(m_entries.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
    DiscEntry& operator[](int index) { return m_entries[static_cast<std::size_t>(index)]; }
    const DiscEntry& operator[](int index) const { return m_entries[static_cast<std::size_t>(index)]; }

    // Adds the entry and points its node back at it; returns the index.
    int add(DiscEntry entry);

    // Index of the live entry of machine and slot; -1 when there is none.
    int find(int machine, int slot) const;

    // Marks the entry removed and forgets its node.
    void markRemoved(int index);

    // Indices of the live entries of one machine, in table order.
    std::vector<int> discsOfMachine(int machine) const;

    void clear() { m_entries.clear(); }

private:
    std::vector<DiscEntry> m_entries;
};

} // namespace kavro
