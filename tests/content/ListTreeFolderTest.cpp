#include "TreeTestSupport.h"

#include "content/EntryTimes.h"
#include "content/ListTreeFolder.h"

#include <gtest/gtest.h>

using namespace kavro;
using namespace kavro::test;

namespace {

std::vector<std::string> rowNames(const FolderListing& listing)
{
    std::vector<std::string> names;
    for (const FileListRow& row : listing.rows)
        names.push_back(row.name);
    return names;
}

using Names = std::vector<std::string>;

FileTree sampleTree()
{
    return buildTree({folder("Data", {file("a.txt"), folder("Sub", {file("deep.bin")})}),
                      folder("Data2", {file("b.txt")}), file("README", 5)});
}

} // namespace

TEST(ListTreeFolder, DiscNodeListsTheRootRun)
{
    const FileTree tree = sampleTree();
    EXPECT_EQ(resolveRun(tree, {}), 1);
    const FolderListing listing = listRun(tree, 1);
    EXPECT_EQ(rowNames(listing), (Names{"Data", "Data2", "README"}));
    EXPECT_EQ(listing.folderNames, (Names{"Data", "Data2"}));
    EXPECT_EQ(listing.rows[0].entryIndex, 1);
}

TEST(ListTreeFolder, SiblingsSharingAPrefixResolveToTheirOwnRuns)
{
    const FileTree tree = sampleTree();
    const auto data = resolveRun(tree, {"Data"});
    const auto data2 = resolveRun(tree, {"Data2"});
    ASSERT_TRUE(data && data2);
    EXPECT_NE(*data, *data2);
    EXPECT_EQ(rowNames(listRun(tree, *data)), (Names{"a.txt", "Sub"}));
    EXPECT_EQ(rowNames(listRun(tree, *data2)), (Names{"b.txt"}));
    EXPECT_EQ(rowNames(listRun(tree, resolveRun(tree, {"Data", "Sub"}).value())), (Names{"deep.bin"}));

    // Names match exactly, within the current run only.
    EXPECT_FALSE(resolveRun(tree, {"Dat"}));
    EXPECT_FALSE(resolveRun(tree, {"data"}));
    EXPECT_FALSE(resolveRun(tree, {"Sub"}));
    EXPECT_FALSE(resolveRun(tree, {"Data2", "Sub"}));
    // A file has no run.
    EXPECT_FALSE(resolveRun(tree, {"README"}));
}

TEST(ListTreeFolder, EmptyFolderAndEmptyDiscListNothing)
{
    const FileTree empty = buildTree({});
    EXPECT_TRUE(listRun(empty, resolveRun(empty, {}).value()).rows.empty());

    const FileTree tree = buildTree({folder("Empty")});
    const auto run = resolveRun(tree, {"Empty"});
    ASSERT_TRUE(run);
    EXPECT_TRUE(tree.entries[static_cast<std::size_t>(*run)].isTerminator());
    EXPECT_TRUE(listRun(tree, *run).rows.empty());

    // A disc without a stored tree still resolves (to an empty list); its folders do not.
    const FileTree none;
    EXPECT_EQ(resolveRun(none, {}), 1);
    EXPECT_TRUE(listRun(none, 1).rows.empty());
    EXPECT_FALSE(resolveRun(none, {"Data"}));
}

TEST(ListTreeFolder, RowColumnsForFoldersAndFiles)
{
    const std::uint32_t may17 = entrytime::packDosDateTime(2003, 5, 17, 14, 35, 20);
    const FileTree tree = buildTree({
        folder("Photos"),
        file("README", 5, may17),
        file("archive.backup", 12, may17),
        file("notes.txt", 7, 0),
        file("photo.jpeg", 100, may17),
        file("big.iso", static_cast<std::int32_t>(3221225472u)), // 3 GiB
        file("x.", 1, may17),
        file("a.b.c", 1, may17),
        file("\xE5\x9C\x96.\xE8\xB3\x87\xE6\x96\x99\xE5\xBA\xAB\xE8\xA1\xA8", 1, may17), // 4 characters
        file("\xE5\x9C\x96.\xE8\xB3\x87\xE6\x96\x99\xE5\xBA\xAB\xE8\xA1\xA8\xE5\x9C\x96", 1, may17),
    });
    const FolderListing listing = listRun(tree, 1);
    ASSERT_EQ(listing.rows.size(), 10u);
    const auto& r = listing.rows;

    EXPECT_TRUE(r[0].isFolder);
    EXPECT_EQ(r[0].sizeText, "<Dir>");
    EXPECT_EQ(r[0].extension, "");
    EXPECT_FALSE(r[0].dateText);

    EXPECT_EQ(r[1].sizeText, "5");
    EXPECT_EQ(r[1].extension, "");
    EXPECT_FALSE(r[1].dateText);
    EXPECT_EQ(r[2].extension, ""); // six characters after the dot
    EXPECT_FALSE(r[2].dateText);

    EXPECT_EQ(r[3].extension, "txt");
    EXPECT_EQ(r[3].dateText, "1900-01-01 00:00");
    EXPECT_EQ(r[4].extension, "jpeg");
    EXPECT_EQ(r[4].dateText, "2003-05-17 14:35");

    EXPECT_EQ(r[5].sizeText, "-1073741824");
    EXPECT_FALSE(r[6].dateText);
    EXPECT_EQ(r[7].extension, "c");
    EXPECT_EQ(r[8].extension, "\xE8\xB3\x87\xE6\x96\x99\xE5\xBA\xAB\xE8\xA1\xA8");
    EXPECT_EQ(r[9].extension, "");
    EXPECT_EQ(listing.folderNames, (Names{"Photos"}));
}

TEST(ListTreeFolder, FolderNamesAreComparedCutTo299Bytes)
{
    const std::string name299(299, 'n');
    const FileTree tree = buildTree({folder(name299, {file("inside")})});
    EXPECT_TRUE(resolveRun(tree, {name299}));
    // A longer node text is cut before comparing.
    EXPECT_TRUE(resolveRun(tree, {name299 + "tail"}));
    // A character straddling byte 299 is cut whole.
    const std::string straddle = std::string(298, 'n') + "\xE8\xB3\x87";
    const FileTree cutTree = buildTree({folder(std::string(298, 'n'), {file("inside")})});
    EXPECT_TRUE(resolveRun(cutTree, {straddle}));
}

TEST(ListTreeFolder, FirstChildOutsideTheTableListsNothing)
{
    FileTree tree = sampleTree();
    tree.entries[1].firstChild = tree.entryCount(); // "Data"
    EXPECT_FALSE(resolveRun(tree, {"Data"}));
    tree.entries[1].firstChild = 1 << 30;
    EXPECT_FALSE(resolveRun(tree, {"Data"}));
    tree.entries[1].firstChild = -1;
    EXPECT_FALSE(resolveRun(tree, {"Data"}));
    tree.entries[1].firstChild = 0; // back to the root entry
    EXPECT_FALSE(resolveRun(tree, {"Data"}));
    EXPECT_TRUE(listRun(tree, tree.entryCount()).rows.empty());
    EXPECT_TRUE(listRun(tree, 1 << 30).rows.empty());
    EXPECT_TRUE(listRun(tree, 0).rows.empty());
    EXPECT_TRUE(listRun(tree, -1).rows.empty());
}

TEST(ListTreeFolder, RunWithoutTerminatorStopsAtTheTableEnd)
{
    FileTree tree = buildTree({file("a"), file("b")});
    tree.entries.pop_back();
    EXPECT_EQ(rowNames(listRun(tree, 1)), (Names{"a", "b"}));

    // A truncated table whose last folder run lost its end.
    FileTree nested = buildTree({folder("F", {file("x"), file("y")})});
    nested.entries.pop_back();
    const auto run = resolveRun(nested, {"F"});
    ASSERT_TRUE(run);
    EXPECT_EQ(rowNames(listRun(nested, *run)), (Names{"x", "y"}));
}

TEST(ListTreeFolder, UnreadableNameEndsTheRun)
{
    FileTree tree = buildTree({file("a"), file("b"), file("c")});
    tree.entries[2].nameOffset = tree.poolBytes() + 10;
    EXPECT_EQ(rowNames(listRun(tree, 1)), (Names{"a"}));
    tree.entries[2].nameOffset = -5;
    EXPECT_EQ(rowNames(listRun(tree, 1)), (Names{"a"}));
    // The last name lost its NUL.
    FileTree cut = buildTree({file("a"), file("b")});
    cut.pool.pop_back();
    EXPECT_EQ(rowNames(listRun(cut, 1)), (Names{"a"}));
    EXPECT_FALSE(resolveRun(cut, {"b"}));
}

TEST(ListTreeFolder, CycleThroughFirstChildStaysBounded)
{
    FileTree tree = buildTree({folder("Loop", {file("inner")}), file("f")});
    tree.entries[1].firstChild = 1; // "Loop" points back at the run holding it
    const std::vector<std::string> path(10000, "Loop");
    EXPECT_EQ(resolveRun(tree, path), 1);
    EXPECT_EQ(rowNames(listRun(tree, 1)), (Names{"Loop", "f"}));

    // A run whose terminator was overwritten runs on into the next run, and still ends.
    FileTree merged = buildTree({folder("A", {file("a1")}), file("f")});
    merged.entries[3].nameOffset = merged.entries[2].nameOffset; // root terminator gone
    const FolderListing listing = listRun(merged, 1);
    EXPECT_LE(static_cast<int>(listing.rows.size()), merged.entryCount() - 1);
}
