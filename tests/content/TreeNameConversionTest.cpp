#include "content/TreeNameConversion.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kavro::test {
namespace {

// A root with one folder and one file below it; the names as given.
FileTree treeOf(const std::string& folder, const std::string& file)
{
    FileTree t;
    TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = t.appendName("E:");
    root.attributes = TreeIndexEntry::DirectoryBit;
    t.entries.push_back(root);
    TreeIndexEntry f;
    f.parent = 0;
    f.nameOffset = t.appendName(folder);
    f.attributes = TreeIndexEntry::DirectoryBit;
    f.dosDateTime = 0x12345678;
    t.entries.push_back(f);
    TreeIndexEntry g;
    g.parent = 0;
    g.nameOffset = t.appendName(file);
    g.size = 4711;
    t.entries.push_back(g);
    t.entries.push_back(TreeIndexEntry::terminator(0));
    return t;
}

TEST(TreeNameConversion, Big5NamesBecomeUtf8WithTheEntriesAsTheyWere)
{
    const FileTree before = treeOf("\xA4\xA4\xA4\xE5", "\xB9\xCF.jpg"); // 中文, 圖.jpg in Big5
    std::string index = before.indexBlock();
    std::string data = before.pool;
    int dataCount = before.poolBytes();
    ASSERT_TRUE(ConvertTreeNames(before.entryCount(), index, dataCount, data, text::decodeLegacy));
    const FileTree after = FileTree::fromStored(before.entryCount(), index, dataCount, data);
    ASSERT_EQ(after.entryCount(), before.entryCount());
    EXPECT_EQ(after.nameAt(0), "E:");
    EXPECT_EQ(after.nameAt(1), "中文");
    EXPECT_EQ(after.nameAt(2), "圖.jpg");
    EXPECT_EQ(dataCount, static_cast<int>(data.size()));
    for (int i = 0; i < after.entryCount(); ++i) {
        const auto& a = after.entries[static_cast<std::size_t>(i)];
        const auto& b = before.entries[static_cast<std::size_t>(i)];
        EXPECT_EQ(std::tie(a.parent, a.firstChild, a.attributes, a.dosDateTime, a.size),
                  std::tie(b.parent, b.firstChild, b.attributes, b.dosDateTime, b.size));
        EXPECT_EQ(a.isTerminator(), b.isTerminator());
    }
}

TEST(TreeNameConversion, Utf8AndDamagedTreesAreLeftAsTheyAre)
{
    const FileTree utf8 = treeOf("中文", "a.txt");
    std::string index = utf8.indexBlock();
    std::string data = utf8.pool;
    int dataCount = utf8.poolBytes();
    EXPECT_FALSE(ConvertTreeNames(utf8.entryCount(), index, dataCount, data, text::decodeLegacy));
    EXPECT_EQ(data, utf8.pool);

    const FileTree big5 = treeOf("\xA4\xA4\xA4\xE5", "b.txt");
    std::string damagedIndex = big5.indexBlock();
    std::string damagedData = big5.pool.substr(0, big5.pool.size() - 3);
    int damagedCount = big5.poolBytes(); // says more than the block holds
    EXPECT_FALSE(ConvertTreeNames(big5.entryCount(), damagedIndex, damagedCount, damagedData, text::decodeLegacy));
    EXPECT_EQ(damagedIndex, big5.indexBlock());
}

} // namespace
} // namespace kavro::test
