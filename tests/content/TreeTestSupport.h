#pragma once

#include "content/FileTree.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace kavro::test {

// A folder or file of a disc to build a stored tree from.
struct Item {
    std::string name;
    std::vector<Item> children; // a folder when isFolder
    bool isFolder = false;
    std::int32_t size = 0;
    std::uint32_t dosDateTime = 0;
};

inline Item file(std::string name, std::int32_t size = 0, std::uint32_t dosDateTime = 0)
{
    return Item{std::move(name), {}, false, size, dosDateTime};
}

inline Item folder(std::string name, std::vector<Item> children = {})
{
    return Item{std::move(name), std::move(children), true, 0, 0};
}

// The tree a breadth-first walk of these items makes, root "E:".
inline FileTree buildTree(const std::vector<Item>& rootItems)
{
    FileTree tree;
    TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = tree.appendName("E:");
    tree.entries.push_back(root);
    std::deque<std::pair<int, const std::vector<Item>*>> queue{{0, &rootItems}};
    while (!queue.empty()) {
        auto [folderIndex, items] = queue.front();
        queue.pop_front();
        tree.entries[static_cast<std::size_t>(folderIndex)].firstChild = tree.entryCount();
        for (const Item& item : *items) {
            TreeIndexEntry e;
            e.parent = folderIndex;
            e.nameOffset = tree.appendName(item.name);
            e.attributes = item.isFolder ? TreeIndexEntry::DirectoryBit : 32u;
            e.dosDateTime = item.dosDateTime;
            e.size = item.size;
            if (item.isFolder)
                queue.emplace_back(tree.entryCount(), &item.children);
            tree.entries.push_back(e);
        }
        tree.entries.push_back(TreeIndexEntry::terminator(folderIndex));
    }
    return tree;
}

// One entry as a test expects it: parent, first child, name ("" for a terminator), folder bit.
struct Expected {
    int parent;
    int firstChild;
    std::string name;
    bool isFolder;
};

inline void expectEntries(const FileTree& tree, const std::vector<Expected>& expected)
{
    ASSERT_EQ(tree.entryCount(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const TreeIndexEntry& e = tree.entries[i];
        EXPECT_EQ(e.parent, expected[i].parent);
        EXPECT_EQ(e.firstChild, expected[i].firstChild);
        if (expected[i].name.empty() && i != 0) {
            EXPECT_EQ(e.nameOffset, -1);
            EXPECT_EQ(e.attributes, 0u);
        } else {
            EXPECT_EQ(tree.nameAt(static_cast<int>(i)), expected[i].name);
            EXPECT_EQ(e.isFolder(), expected[i].isFolder);
        }
    }
}

// The structure every stored tree keeps: root first, each folder with a run closed by its
// terminator, runs in breadth-first order of their folders.
inline void expectWellFormed(const FileTree& tree)
{
    ASSERT_GE(tree.entryCount(), 2);
    EXPECT_EQ(tree.entries[0].parent, -1);
    EXPECT_EQ(tree.entries[0].firstChild, 1);
    EXPECT_EQ(tree.entries[0].nameOffset, 0);
    std::vector<int> folders{0};
    for (int i = 1; i < tree.entryCount(); ++i)
        if (tree.entries[static_cast<std::size_t>(i)].isFolder())
            folders.push_back(i);
    int next = 1;
    for (int f : folders) {
        SCOPED_TRACE("folder " + std::to_string(f));
        ASSERT_EQ(tree.entries[static_cast<std::size_t>(f)].firstChild, next);
        int i = next;
        while (i < tree.entryCount() && !tree.entries[static_cast<std::size_t>(i)].isTerminator()) {
            EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].parent, f);
            EXPECT_TRUE(tree.hasName(i));
            ++i;
        }
        ASSERT_LT(i, tree.entryCount()) << "run not closed";
        EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].parent, f);
        EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].firstChild, -1);
        next = i + 1;
    }
    EXPECT_EQ(next, tree.entryCount()) << "entries after the last run";
}

} // namespace kavro::test
