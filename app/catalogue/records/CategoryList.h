#pragma once

#include "catalogue/records/CategoryTree.h"

#include <limits>
#include <vector>

namespace kavro {

// A loaded category: its id, its position when loaded, and its node in the category tree.
struct CategoryEntry {
    NodeKind kind = NodeKind::Category;
    int id = 0;
    int ordinal = 0;
    TreeNode* node = nullptr; // nullptr once the category has been deleted
};

// The loaded categories, at most Capacity of them, and the counter new ids are drawn from.
// Entries keep their index for the whole run (discs refer to their category by index);
// a deleted category's entry stays, without a node, until the next load.
class CategoryList {
public:
    static constexpr int Capacity = 1000;

    int count() const { return static_cast<int>(m_entries.size()); }
    bool isFull() const { return count() >= Capacity; }
    CategoryEntry& operator[](int i) { return m_entries[static_cast<std::size_t>(i)]; }
    const CategoryEntry& operator[](int i) const { return m_entries[static_cast<std::size_t>(i)]; }

    // Adds an entry for node and attaches it; -1 when the list is full.
    int add(int id, TreeNode& node)
    {
        if (isFull())
            return -1;
        const int index = count();
        m_entries.push_back({NodeKind::Category, id, index, &node});
        node.kind = NodeKind::Category;
        node.id = id;
        node.entry = index;
        return index;
    }

    // Index of the first entry (in list order) of a category that exists and has id; -1 if none.
    int indexOfId(int id) const
    {
        for (int i = 0; i < count(); ++i) {
            if (m_entries[static_cast<std::size_t>(i)].node &&
                m_entries[static_cast<std::size_t>(i)].id == id)
                return i;
        }
        return -1;
    }

    void clear()
    {
        m_entries.clear();
        nextCategoryId = 0;
    }

    // New categories get nextCategoryId + 1; it only grows within a run.
    int nextCategoryId = 0;
    // Whether a new category can still get an id above every id in use (a damaged file may hold
    // the largest id there is).
    bool hasNextId() const { return nextCategoryId < std::numeric_limits<int>::max(); }

private:
    std::vector<CategoryEntry> m_entries;
};

} // namespace kavro
