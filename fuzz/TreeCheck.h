#pragma once

#include "FuzzScratch.h"

#include "content/FileTree.h"

#include <vector>

namespace kavro::fuzz {

// The shape every tree the program writes must have: the root first, its run from entry 1, and
// for each folder a run inside the table whose entries name that folder as parent, closed by a
// terminator of the same parent. Every item's name is in the pool, and each run is one folder's.
inline void checkWrittenTree(const FileTree& tree)
{
    const int count = tree.entryCount();
    if (count == 0)
        return;
    check(count >= 2, "a tree has at least its root and the root's terminator");
    const auto& root = tree.entries[0];
    check(root.parent == -1 && root.firstChild == 1 && tree.hasName(0), "root entry");
    std::vector<int> owner(static_cast<std::size_t>(count), -1);
    auto walkRun = [&](int folder, int first) {
        check(first >= 1 && first < count, "a run starts in the table");
        int i = first;
        for (; i < count && !tree.entries[static_cast<std::size_t>(i)].isTerminator(); ++i) {
            check(owner[static_cast<std::size_t>(i)] == -1, "an entry belongs to one run");
            owner[static_cast<std::size_t>(i)] = folder;
            check(tree.entries[static_cast<std::size_t>(i)].parent == folder, "an item names its folder");
            check(tree.hasName(i), "an item has a name");
        }
        check(i < count, "a run ends in a terminator");
        check(tree.entries[static_cast<std::size_t>(i)].parent == folder, "a terminator names its folder");
        check(owner[static_cast<std::size_t>(i)] == -1, "a terminator closes one run");
        owner[static_cast<std::size_t>(i)] = folder;
    };
    walkRun(0, 1);
    for (int i = 1; i < count; ++i) {
        const auto& e = tree.entries[static_cast<std::size_t>(i)];
        if (!e.isTerminator() && e.isFolder())
            walkRun(i, e.firstChild);
    }
    for (int i = 1; i < count; ++i)
        check(owner[static_cast<std::size_t>(i)] != -1, "no entry lies outside every run");
}

} // namespace kavro::fuzz
