#include "TreeTestSupport.h"

#include "content/ImportTextTree.h"
#include "content/ListTreeFolder.h"

#include <gtest/gtest.h>

#include <random>

using namespace kavro;
using namespace kavro::test;

// Random damage to a valid blob: every reader stays within the table and the pool, and every
// walk ends. Run under the sanitizers, this is where a read past a buffer shows.
TEST(DamagedTree, RandomFieldDamageStaysInBounds)
{
    const FileTree good = buildTree({folder("Data", {file("a.txt"), folder("Sub", {file("x")})}),
                                     folder("Data2", {file("b.txt")}), file("README")});
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> pick(0, good.entryCount() - 1);
    std::uniform_int_distribution<int> value(-3, good.entryCount() + good.poolBytes() + 3);
    for (int round = 0; round < 2000; ++round) {
        std::string index = good.indexBlock();
        std::string pool = good.pool;
        for (int n = 0; n < 3; ++n) {
            auto* e = reinterpret_cast<TreeIndexEntry*>(index.data()) + pick(rng);
            switch (rng() % 4) {
            case 0:
                e->firstChild = value(rng);
                break;
            case 1:
                e->nameOffset = value(rng);
                break;
            case 2:
                e->attributes ^= TreeIndexEntry::DirectoryBit;
                break;
            default:
                pool[rng() % pool.size()] = static_cast<char>(rng() % 3 == 0 ? 'Z' : '\0');
                break;
            }
        }
        const int cut = static_cast<int>(rng() % 3);
        const FileTree tree = FileTree::fromStored(good.entryCount() - cut, index, good.poolBytes(), pool);
        for (const auto& path : std::vector<std::vector<std::string>>{
                 {}, {"Data"}, {"Data2"}, {"Data", "Sub"}, {"Data", "Sub", "Sub", "Data"}}) {
            const auto run = resolveRun(tree, path);
            if (!run)
                continue;
            const FolderListing listing = listRun(tree, *run);
            ASSERT_LE(static_cast<int>(listing.rows.size()), tree.entryCount());
            for (const FileListRow& row : listing.rows)
                ASSERT_LT(row.entryIndex, tree.entryCount());
        }
    }
}

// Whatever the indentation, a converted tree keeps the stored structure.
TEST(DamagedTree, RandomIndentationConvertsToAWellFormedTree)
{
    std::mt19937 rng(777);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const int lines = 1 + static_cast<int>(rng() % 40);
        for (int i = 0; i < lines; ++i) {
            text.append(rng() % 6, '\t');
            if (rng() % 10 != 0)
                text += "n" + std::to_string(i);
            text += rng() % 4 == 0 ? "\r\n" : "\n";
        }
        const TextTreeLimits limits{4 + static_cast<int>(rng() % 60), 10 + static_cast<int>(rng() % 200)};
        const TextTreeImport result = convertTextTree(text, limits);
        SCOPED_TRACE(text);
        ASSERT_TRUE(result.ok);
        EXPECT_LE(result.tree.entryCount(), limits.maxEntries);
        EXPECT_LE(result.tree.poolBytes(), limits.maxPoolBytes);
        if (result.tree.entryCount() > 0)
            expectWellFormed(result.tree);
    }
}
