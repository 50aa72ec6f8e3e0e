#include "TreeTestSupport.h"
#include "support/TempDir.h"

#include "content/ImportTextTree.h"
#include "content/ListTreeFolder.h"

#include <gtest/gtest.h>

using namespace kavro;
using namespace kavro::test;

TEST(ImportTextTree, NestedTreeBecomesBreadthFirstRuns)
{
    const TextTreeImport result = convertTextTree("E:\n"
                                                  "\tA\n"
                                                  "\t\ta1.txt\n"
                                                  "\t\tB\n"
                                                  "\t\t\tb1\n"
                                                  "\tc.txt\n"
                                                  "\tD\n"
                                                  "\t\td1\n");
    ASSERT_TRUE(result.ok);
    EXPECT_FALSE(result.truncated);
    const FileTree& tree = result.tree;
    expectEntries(tree, {
                            {-1, 1, "E:", false},
                            {0, 5, "A", true},
                            {0, -1, "c.txt", false},
                            {0, 8, "D", true},
                            {0, -1, "", false},
                            {1, -1, "a1.txt", false},
                            {1, 10, "B", true},
                            {1, -1, "", false},
                            {3, -1, "d1", false},
                            {3, -1, "", false},
                            {6, -1, "b1", false},
                            {6, -1, "", false},
                        });
    expectWellFormed(tree);
    // Names lie in the pool in line order.
    EXPECT_EQ(tree.pool, std::string("E:\0A\0a1.txt\0B\0b1\0c.txt\0D\0d1\0", 28));
    EXPECT_EQ(tree.entries[0].attributes, 0u);
    for (const TreeIndexEntry& e : tree.entries) {
        EXPECT_EQ(e.dosDateTime, 0u);
        EXPECT_EQ(e.size, 0);
        EXPECT_EQ(e.findData.attributes, 0u);
        EXPECT_EQ(e.findData.fileName[0], '\0');
    }
    EXPECT_EQ(tree.entries[1].attributes, 16u);
    // The converted tree browses like a scanned one.
    const auto run = resolveRun(tree, {"A", "B"});
    ASSERT_TRUE(run);
    ASSERT_EQ(listRun(tree, *run).rows.size(), 1u);
    EXPECT_EQ(listRun(tree, *run).rows[0].name, "b1");
}

TEST(ImportTextTree, FlatAndRootOnlyTrees)
{
    const TextTreeImport flat = convertTextTree("E:\r\n\tx  \r\n\ty.txt\r\n");
    ASSERT_TRUE(flat.ok);
    expectEntries(flat.tree,
                  {{-1, 1, "E:", false}, {0, -1, "x", false}, {0, -1, "y.txt", false}, {0, -1, "", false}});

    // Like an empty disc: root and terminator, 3 bytes of names.
    const TextTreeImport root = convertTextTree("E:");
    expectEntries(root.tree, {{-1, 1, "E:", false}, {0, -1, "", false}});
    EXPECT_EQ(root.tree.poolBytes(), 3);

    const TextTreeImport empty = convertTextTree("\n\r\n  \n");
    EXPECT_TRUE(empty.ok);
    EXPECT_FALSE(empty.tree.hasTree());
    EXPECT_EQ(empty.tree.entryCount(), 0);
}

TEST(ImportTextTree, LineTwoLevelsDeeperGoesUnderThePreviousItem)
{
    const TextTreeImport result = convertTextTree("R\n\tA\n\t\t\tdeep\n\t\t\t\t\tdeeper\n\tb\n");
    ASSERT_TRUE(result.ok);
    expectEntries(result.tree, {
                                   {-1, 1, "R", false},
                                   {0, 4, "A", true},
                                   {0, -1, "b", false},
                                   {0, -1, "", false},
                                   {1, 6, "deep", true},
                                   {1, -1, "", false},
                                   {4, -1, "deeper", false},
                                   {4, -1, "", false},
                               });
    expectWellFormed(result.tree);
}

TEST(ImportTextTree, MalformedLinesKeepOneRootAndValidRuns)
{
    // Lines without tabs after the first are at the root's first level, as is an indented first
    // child; blank and tab-only lines are skipped.
    const TextTreeImport result = convertTextTree("\t\tR\n\t\t\tA\nS\n\tS1\n\n\t\t\n\t\tT\n");
    ASSERT_TRUE(result.ok);
    expectEntries(result.tree, {
                                   {-1, 1, "R", false},
                                   {0, -1, "A", false},
                                   {0, -1, "S", false},
                                   {0, 5, "S1", true},
                                   {0, -1, "", false},
                                   {3, -1, "T", false},
                                   {3, -1, "", false},
                               });
    expectWellFormed(result.tree);
}

TEST(ImportTextTree, ClosingSeveralLevelsAtOnceAndAtTheEnd)
{
    const TextTreeImport result =
        convertTextTree("R\n\tA\n\t\tB\n\t\t\tC\n\t\t\t\tleaf\n\tz\n\tY\n\t\tC2\n\t\t\tleaf2\n");
    ASSERT_TRUE(result.ok);
    expectWellFormed(result.tree);
    // The root, six runs with their terminators: R(A z Y) A(B) Y(C2) B(C) C2(leaf2) C(leaf).
    EXPECT_EQ(result.tree.entryCount(), 1 + 4 + 2 + 2 + 2 + 2 + 2);
    EXPECT_EQ(listRun(result.tree, resolveRun(result.tree, {"A", "B", "C"}).value()).rows[0].name, "leaf");
    EXPECT_EQ(listRun(result.tree, resolveRun(result.tree, {"Y", "C2"}).value()).rows[0].name, "leaf2");
}

TEST(ImportTextTree, Big5FileIsDecodedLineByLine)
{
    // 資料 in Big5, and a line of plain ASCII.
    const TextTreeImport result = convertTextTree("E:\n\t\xB8\xEA\xAE\xC6\n\tplain\n");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.tree.nameAt(1), "\xE8\xB3\x87\xE6\x96\x99");
    EXPECT_EQ(result.tree.nameAt(2), "plain");
    // A UTF-8 file is taken as it is.
    const TextTreeImport utf8 = convertTextTree("E:\n\t\xE8\xB3\x87\xE6\x96\x99\n");
    EXPECT_EQ(utf8.tree.nameAt(1), "\xE8\xB3\x87\xE6\x96\x99");
}

TEST(ImportTextTree, LongLinesAreCutAndNulsEndAName)
{
    const std::string longName(1500, 'x');
    const TextTreeImport result =
        convertTextTree("E:\n\t" + longName + "\n\tab" + std::string(1, '\0') + "cd\n");
    ASSERT_TRUE(result.ok);
    // The tab counts toward the line's length; the rest of the line is not a new item.
    EXPECT_EQ(result.tree.nameAt(1), std::string(TextTreeLineLimit - 1, 'x'));
    EXPECT_EQ(result.tree.nameAt(2), "ab");
    EXPECT_EQ(result.tree.entryCount(), 4);
}

TEST(ImportTextTree, EntryCapacityStopsWithEveryRunClosed)
{
    // Room for 8 work entries: root, items, the terminators of the open runs and the end marker.
    const TextTreeLimits limits{8, 1000};
    const TextTreeImport result = convertTextTree("R\n\tA\n\t\tB\n\t\t\tc\n\t\t\td\n\t\te\n\tf\n", limits);
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.truncated);
    expectWellFormed(result.tree);
    EXPECT_LE(result.tree.entryCount(), limits.maxEntries);
    // R A B c fill it with three runs to close (7 with the end marker); d would need a ninth.
    EXPECT_EQ(listRun(result.tree, resolveRun(result.tree, {"A", "B"}).value()).rows.size(), 1u);
    EXPECT_FALSE(resolveRun(result.tree, {"f"}));
}

TEST(ImportTextTree, PoolCapacityStopsCleanly)
{
    const TextTreeLimits limits{100, 12};
    // "E:\0" + "abc\0" + "def\0" = 11 bytes; "g" would make 13.
    const TextTreeImport result = convertTextTree("E:\n\tabc\n\t\tdef\n\tg\n", limits);
    EXPECT_TRUE(result.truncated);
    EXPECT_LE(result.tree.poolBytes(), 12);
    expectEntries(result.tree, {{-1, 1, "E:", false},
                                {0, 3, "abc", true},
                                {0, -1, "", false},
                                {1, -1, "def", false},
                                {1, -1, "", false}});

    const TextTreeImport noRoot = convertTextTree("E:\n", TextTreeLimits{100, 2});
    EXPECT_TRUE(noRoot.truncated);
    EXPECT_EQ(noRoot.tree.entryCount(), 0);
}

TEST(ImportTextTree, FullSizeCapacitiesHold)
{
    std::string flat = "E:\n";
    for (int i = 0; i < 210000; ++i)
        flat += "\tf" + std::to_string(i) + "\n";
    const TextTreeImport entries = convertTextTree(flat);
    EXPECT_TRUE(entries.truncated);
    EXPECT_LE(entries.tree.entryCount(), FileTree::MaxEntries);
    EXPECT_GE(entries.tree.entryCount(), FileTree::MaxEntries - 2);
    EXPECT_TRUE(entries.tree.entries.back().isTerminator());

    std::string wide = "E:\n";
    for (int i = 0; i < 4100; ++i)
        wide += "\t" + std::string(990, static_cast<char>('a' + i % 26)) + "\n";
    const TextTreeImport pool = convertTextTree(wide);
    EXPECT_TRUE(pool.truncated);
    EXPECT_LE(pool.tree.poolBytes(), FileTree::MaxPoolBytes);
    EXPECT_GT(pool.tree.poolBytes(), FileTree::MaxPoolBytes - 992);
    expectWellFormed(pool.tree);
}

TEST(ImportTextTree, ReadsFilesAndReportsUnreadableOnes)
{
    TempDir dir;
    const auto path = dir.write("disc.tv", "E:\n\tA\n\t\ta.txt\n");
    const TextTreeImport result = ImportTextTree(path);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.tree.entryCount(), 5);

    const TextTreeImport missing = ImportTextTree(dir / "none.tv");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
    EXPECT_FALSE(ImportTextTree(dir.path()).ok);
}
