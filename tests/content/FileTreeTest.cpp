#include "TreeTestSupport.h"

#include "content/FileTree.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace kavro;
using namespace kavro::test;

namespace {

void putLE(std::string& bytes, std::size_t offset, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putText(std::string& bytes, std::size_t offset, const char* text)
{
    std::memcpy(&bytes[offset], text, std::strlen(text));
}

} // namespace

TEST(FileTree, EntryBytesMatchTheStoredLayoutField_by_field)
{
    TreeIndexEntry e;
    e.parent = -2;
    e.firstChild = 0x01020304;
    e.nameOffset = 0x0A0B0C0D;
    e.attributes = 0x21;
    e.dosDateTime = 0x5A8C6A3Eu;
    e.excludeAttributes = 0x11223344u;
    e.findData.attributes = 0x20;
    e.findData.creationTime = 0x0102030405060708ull;
    e.findData.lastAccessTime = 0x1112131415161718ull;
    e.findData.lastWriteTime = 0x2122232425262728ull;
    e.findData.sizeHigh = 0x31323334u;
    e.findData.sizeLow = 0x41424344u;
    e.findData.reserved0 = 0x51525354u;
    e.findData.reserved1 = 0x61626364u;
    std::strcpy(e.findData.fileName, "archive.backup");
    std::strcpy(e.findData.shortFileName, "ARCHIV~1.BAC");
    e.findData.padding[0] = 0x7E;
    e.findData.padding[1] = 0x7F;
    e.size = -1073741824; // 3 GiB, low 32 bits

    std::string golden(348, '\0');
    putLE(golden, 0, 0xFFFFFFFEu, 4);
    putLE(golden, 4, 0x01020304u, 4);
    putLE(golden, 8, 0x0A0B0C0Du, 4);
    putLE(golden, 12, 0x21, 4);
    putLE(golden, 16, 0x5A8C6A3Eu, 4);
    putLE(golden, 20, 0x11223344u, 4);
    putLE(golden, 24 + 0, 0x20, 4);
    putLE(golden, 24 + 4, 0x0102030405060708ull, 8);
    putLE(golden, 24 + 12, 0x1112131415161718ull, 8);
    putLE(golden, 24 + 20, 0x2122232425262728ull, 8);
    putLE(golden, 24 + 28, 0x31323334u, 4);
    putLE(golden, 24 + 32, 0x41424344u, 4);
    putLE(golden, 24 + 36, 0x51525354u, 4);
    putLE(golden, 24 + 40, 0x61626364u, 4);
    putText(golden, 24 + 44, "archive.backup");
    putText(golden, 24 + 304, "ARCHIV~1.BAC");
    golden[24 + 318] = 0x7E;
    golden[24 + 319] = 0x7F;
    putLE(golden, 344, 0xC0000000u, 4);

    FileTree tree;
    tree.entries = {e};
    tree.appendName("E:");
    EXPECT_EQ(tree.indexBlock(), golden);

    // And back: the golden bytes read as the same entry.
    const FileTree back = FileTree::fromStored(1, golden, 3, tree.pool);
    ASSERT_EQ(back.entryCount(), 1);
    EXPECT_EQ(std::memcmp(&back.entries[0], &e, sizeof e), 0);
    EXPECT_EQ(back.entries[0].size, -1073741824);
    EXPECT_STREQ(back.entries[0].findData.shortFileName, "ARCHIV~1.BAC");
}

TEST(FileTree, RoundTripKeepsEveryByteOfBothBlocks)
{
    const FileTree tree = buildTree({folder("Data", {file("a.txt", 10), folder("Sub", {file("x")})}),
                                     folder("Data2"), file("README", 5)});
    expectWellFormed(tree);
    const std::string index = tree.indexBlock();
    ASSERT_EQ(index.size(), static_cast<std::size_t>(tree.entryCount()) * 348);

    const FileTree back = FileTree::fromStored(tree.entryCount(), index, tree.poolBytes(), tree.pool);
    EXPECT_TRUE(back.hasTree());
    EXPECT_EQ(back.indexBlock(), index);
    EXPECT_EQ(back.pool, tree.pool);
    EXPECT_EQ(back.nameAt(1), "Data");
    EXPECT_EQ(back.nameAt(3), "README");
}

TEST(FileTree, EmptyDiscIsRootAndTerminator)
{
    const FileTree tree = buildTree({});
    EXPECT_EQ(tree.entryCount(), 2);
    EXPECT_EQ(tree.poolBytes(), 3);
    EXPECT_EQ(tree.pool, std::string("E:\0", 3));
    EXPECT_TRUE(tree.hasTree());
    expectEntries(tree, {{-1, 1, "E:", false}, {0, -1, "", false}});
    // A folder without items points straight at its terminator.
    EXPECT_TRUE(tree.entries[1].isTerminator());
    EXPECT_EQ(tree.nameAt(1), "");
}

TEST(FileTree, CountsBelowOneOrShortBlocksReadAsNoTree)
{
    const FileTree tree = buildTree({file("a"), file("b")});
    const std::string index = tree.indexBlock();
    const int n = tree.entryCount();
    const int bytes = tree.poolBytes();

    EXPECT_FALSE(FileTree::fromStored(0, index, bytes, tree.pool).hasTree());
    EXPECT_FALSE(FileTree::fromStored(n, index, 0, tree.pool).hasTree());
    EXPECT_FALSE(FileTree::fromStored(-3, index, -1, tree.pool).hasTree());
    // Counts larger than the blocks.
    EXPECT_FALSE(FileTree::fromStored(n + 1, index, bytes, tree.pool).hasTree());
    EXPECT_FALSE(FileTree::fromStored(n, index, bytes + 1, tree.pool).hasTree());
    EXPECT_FALSE(FileTree::fromStored(n, index.substr(0, index.size() - 1), bytes, tree.pool).hasTree());
    EXPECT_FALSE(FileTree::fromStored(INT_MAX, index, INT_MAX, tree.pool).hasTree());
    EXPECT_EQ(FileTree::fromStored(n, {}, bytes, tree.pool).entryCount(), 0);

    // Bytes past the counts are not part of the tree.
    const FileTree longer = FileTree::fromStored(n, index + std::string(100, 'x'), bytes, tree.pool + "junk");
    EXPECT_EQ(longer.entryCount(), n);
    EXPECT_EQ(longer.pool, tree.pool);
}

TEST(FileTree, NamesNeverReadOutsideThePool)
{
    FileTree tree = buildTree({file("alpha"), file("beta")});
    EXPECT_EQ(tree.nameAt(1), "alpha");
    EXPECT_EQ(tree.nameAt(-1), "");
    EXPECT_EQ(tree.nameAt(tree.entryCount()), "");
    EXPECT_FALSE(tree.hasName(3)); // the terminator

    tree.entries[1].nameOffset = tree.poolBytes(); // one past the end
    EXPECT_FALSE(tree.hasName(1));
    EXPECT_EQ(tree.nameAt(1), "");
    tree.entries[1].nameOffset = -7;
    EXPECT_EQ(tree.nameAt(1), "");
    tree.entries[1].nameOffset = INT32_MAX;
    EXPECT_EQ(tree.nameAt(1), "");

    // The last name has lost its NUL: it cannot be read, the others still can.
    tree.pool.pop_back();
    EXPECT_FALSE(tree.hasName(2));
    EXPECT_EQ(tree.nameAt(2), "");
    tree.entries[1].nameOffset = 3; // "E:\0" then "alpha"
    EXPECT_EQ(tree.nameAt(1), "alpha");
}

TEST(FileTree, AppendNameEndsAtAnEmbeddedNul)
{
    FileTree tree;
    EXPECT_EQ(tree.appendName("E:"), 0);
    EXPECT_EQ(tree.appendName(std::string("ab\0cd", 5)), 3);
    EXPECT_EQ(tree.pool, std::string("E:\0ab\0", 6));
    tree.clear();
    EXPECT_FALSE(tree.hasTree());
    EXPECT_EQ(tree.entryCount(), 0);
    EXPECT_EQ(tree.poolBytes(), 0);
}
