#include "catalogue/search/SearchFixture.h"

#include "catalogue/search/AdvancedSearch.h"
#include "catalogue/search/BarcodeSearch.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/search/QuickSearch.h"
#include "catalogue/search/SearchScope.h"
#include "catalogue/search/SearchTabs.h"
#include "content/TreeTestSupport.h"

namespace kavro::test {
namespace {

// Categories: A(1) with B(2) below it, B with D(4) below it, and C(3).
constexpr const char* kCategories = "A,1\r\n\tB,2\r\n\t\tD,4\r\nC,3\r\n";

std::vector<std::pair<int, int>> places(const std::vector<SearchRow>& rows)
{
    std::vector<std::pair<int, int>> out;
    for (const auto& r : rows)
        out.emplace_back(r.machine, r.slot);
    return out;
}

using Search = SearchFixture;

TEST_F(Search, ScopeWalksCategoriesInPreOrderAndPassesOverDiscsAndTabs)
{
    openWith(kCategories);
    SearchScope scope;
    EXPECT_EQ(BuildScope(scope, root(), catalogue->categories()), 4);
    EXPECT_EQ(scope.ids(), (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(BuildScope(scope, *category("B"), catalogue->categories()), 2);
    EXPECT_EQ(scope.ids(), (std::vector<int>{2, 4}));
    EXPECT_EQ(BuildScope(scope, *category("C"), catalogue->categories()), 1);

    // A disc node (with a folder node below it) and the search root hold no category.
    TreeNode& disc = category("C")->addChild("Disc", NodeKind::Disc);
    disc.addChild("FOLDER");
    EXPECT_EQ(BuildScope(scope, disc, catalogue->categories()), 0);
    EXPECT_EQ(BuildScope(scope, *catalogue->categoryTree().searchRoot(), catalogue->categories()), 0);
}

TEST_F(Search, InScopeIsTrueForUnknownCategoriesAndFalseForKnownOnesOutside)
{
    openWith(kCategories);
    SearchScope scope;
    BuildScope(scope, *category("B"), catalogue->categories());
    EXPECT_TRUE(InScope(scope, 2));
    EXPECT_TRUE(InScope(scope, 4));
    EXPECT_FALSE(InScope(scope, 1));
    EXPECT_FALSE(InScope(scope, 3));
    EXPECT_TRUE(InScope(scope, 99));
    EXPECT_EQ(scope.categoryName(4), "D");
    EXPECT_EQ(scope.categoryName(99), "Other");
}

TEST_F(Search, QuickSearchInCategoriesKeepsTableOrderAndFillsTheColumns)
{
    openWith(kCategories);
    insert(DiscRow().at(7, 3).named("Best of ABC").in(4).model("KZ350VN"));
    insert(DiscRow().at(7, 1).named("Nothing").in(4));
    insert(DiscRow().at(2, 9).named("abc live").in(3));
    insert(DiscRow().at(5, 2).named("Column title").in(99).misc("Title=Lost abc\r\n"));
    insert(DiscRow().at(6, 1).named("abc in A").in(1));

    QuickSearch quick(*catalogue, cache);
    auto all = quick.inCategories("ABC", nullptr);
    ASSERT_TRUE(all.ok()) << all.error();
    EXPECT_EQ(places(*all), (std::vector<std::pair<int, int>>{{7, 3}, {2, 9}, {5, 2}, {6, 1}}));
    const SearchRow& first = (*all)[0];
    EXPECT_EQ(first.title, "Best of ABC");
    EXPECT_EQ(first.machineName, "M7");
    EXPECT_EQ(first.categoryName, "D");
    EXPECT_TRUE(first.driveModel);
    EXPECT_EQ(first.icon(), 1);
    EXPECT_EQ((*all)[1].icon(), 4);
    // The title line of Misc1 is the title; an unknown category reads "Other".
    EXPECT_EQ((*all)[2].title, "Lost abc");
    EXPECT_EQ((*all)[2].categoryName, "Other");

    // A selected category narrows the scope; the disc of the unknown category stays.
    auto inB = quick.inCategories("abc", category("B"));
    ASSERT_TRUE(inB.ok());
    EXPECT_EQ(places(*inB), (std::vector<std::pair<int, int>>{{7, 3}, {5, 2}}));
    // A selected node that is no category searches everything.
    TreeNode& disc = category("C")->addChild("Disc", NodeKind::Disc);
    EXPECT_EQ(quick.inCategories("abc", &disc)->size(), 4u);
    EXPECT_TRUE(quick.inCategories("", nullptr)->empty());
}

TEST_F(Search, DiscOfAnUnknownCategoryIsFoundFromAnyScope)
{
    openWith(kCategories);
    insert(DiscRow().at(1, 1).named("orphan disc").in(42));
    insert(DiscRow().at(1, 2).named("orphan sibling").in(3));
    AdvancedSearch advanced(*catalogue, cache);
    for (const char* name : {"A", "B", "C", "D"}) {
        SearchScope scope;
        BuildScope(scope, *category(name), catalogue->categories());
        auto rows = advanced.find("orphan", {}, scope);
        ASSERT_TRUE(rows.ok());
        ASSERT_FALSE(rows->empty()) << name;
        EXPECT_EQ((*rows)[0].slot, 1) << name;
        EXPECT_EQ(rows->size(), std::string(name) == "C" ? 2u : 1u) << name;
    }
}

TEST_F(Search, QuickSearchInMachinesNeedsADiscEntry)
{
    openWith(kCategories);
    insert(DiscRow().at(1, 1).named("abc one"));
    insert(DiscRow().at(1, 2).named("abc two"));
    insert(DiscRow().at(2, 1).named("abc three"));
    insert(DiscRow().at(2, 2).named("other"));
    QuickSearch quick(*catalogue, cache);
    const std::vector<DiscKey> entries{
        {NodeKind::Removed, 1, 2}, {NodeKind::Disc, 2, 2}, {NodeKind::Disc, 2, 1}, {NodeKind::Disc, 1, 1}};
    auto rows = quick.inMachines("ABC", entries);
    ASSERT_TRUE(rows.ok());
    // (1, 2) has only a removed entry; rows stay in table order.
    ASSERT_EQ(places(*rows), (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}));
    EXPECT_EQ((*rows)[0].entry, 3);
    EXPECT_EQ((*rows)[1].entry, 2);
}

TEST_F(Search, QuickSearchRunsOncePerChangedText)
{
    openWith(kCategories);
    QuickSearch quick(*catalogue, cache);
    int runs = 0;
    for (const char* typed : {"a", "ab", "ab", "abc", "abc", ""})
        runs += quick.takeText(typed) ? 1 : 0;
    EXPECT_EQ(runs, 4);
    EXPECT_EQ(quick.lastText(), "");
    EXPECT_FALSE(quick.takeText(""));

    EXPECT_TRUE(QuickSearch::isTriggerKey(8));
    EXPECT_TRUE(QuickSearch::isTriggerKey(13));
    EXPECT_TRUE(QuickSearch::isTriggerKey(32));
    EXPECT_TRUE(QuickSearch::isTriggerKey(37)); // left arrow: runs, but finds the text unchanged
    EXPECT_TRUE(QuickSearch::isTriggerKey(126));
    EXPECT_FALSE(QuickSearch::isTriggerKey(9));
    EXPECT_FALSE(QuickSearch::isTriggerKey(16));
    EXPECT_FALSE(QuickSearch::isTriggerKey(127));
}

TEST_F(Search, CriteriaChooseTheFieldsAndTitleStandsInWhenNoneIsTicked)
{
    openWith(kCategories);
    insert(DiscRow().at(1, 1).named("key in title"));
    insert(DiscRow().at(1, 2).named("x").remarked("key in remark"));
    insert(DiscRow().at(1, 3).named("x").misc("Other=first line\r\nkey on the second\r\nVolume=V"));
    insert(DiscRow().at(1, 4).named("x").misc("Other=none\r\nVolume=key")); // the volume is not searched
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    AdvancedSearch advanced(*catalogue, cache);
    auto slots = [&](SearchCriteria c) {
        const auto rows = advanced.find("KEY", c, scope);
        std::vector<int> s;
        for (const auto& r : *rows)
            s.push_back(r.slot);
        return s;
    };
    EXPECT_EQ(slots({}), (std::vector<int>{1}));
    EXPECT_EQ(slots({.title = false}), (std::vector<int>{1})); // nothing ticked: the title all the same
    EXPECT_EQ(slots({.title = false, .remark = true}), (std::vector<int>{2}));
    EXPECT_EQ(slots({.title = false, .other = true}), (std::vector<int>{3}));
    EXPECT_EQ(slots({.title = true, .remark = true, .other = true}), (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(advanced.find("", {}, scope)->empty());
    EXPECT_TRUE(advanced.find("key", {}, SearchScope{})->empty()); // an empty scope does nothing
}

TEST_F(Search, FolderAndFileBoxesTestOnlyTheirKindOfEntry)
{
    openWith(kCategories);
    const FileTree files = buildTree({folder("Docs", {file("report.doc")}), file("setup.exe")});
    const FileTree folders = buildTree({folder("Report", {file("a.txt")}), folder("Setup")});
    insert(withTree(DiscRow().at(1, 1).named("files"), files));
    insert(withTree(DiscRow().at(1, 2).named("folders"), folders));
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    AdvancedSearch advanced(*catalogue, cache);
    auto slots = [&](std::string_view text, SearchCriteria c) {
        const auto rows = advanced.find(text, c, scope);
        std::vector<int> s;
        for (const auto& r : *rows)
            s.push_back(r.slot);
        return s;
    };
    const SearchCriteria folderOnly{.title = false, .folderName = true};
    const SearchCriteria fileOnly{.title = false, .fileName = true};
    const SearchCriteria both{.title = false, .fileName = true, .folderName = true};
    EXPECT_EQ(slots("REPORT", folderOnly), (std::vector<int>{2}));
    EXPECT_EQ(slots("report", fileOnly), (std::vector<int>{1}));
    EXPECT_EQ(slots("setup", both), (std::vector<int>{1, 2}));
    EXPECT_EQ(slots("docs", fileOnly), (std::vector<int>{}));
    EXPECT_EQ(slots("a.txt", folderOnly), (std::vector<int>{}));
    // With the title ticked too, the tree is searched only after the title missed.
    EXPECT_EQ(slots("files", {.title = true, .folderName = true}), (std::vector<int>{1}));
    // The current file tree is left alone.
    EXPECT_EQ(catalogue->fileTree().entryCount(), 0);
}

TEST_F(Search, DamagedStoredTreeIsSearchedOnItsTextsOnly)
{
    openWith(kCategories);
    const FileTree tree = buildTree({file("needle.txt")});
    DiscRow shortIndex = withTree(DiscRow().at(1, 1).named("needle title"), tree);
    shortIndex.treeIndexS += 1; // one entry more than the block holds
    insert(shortIndex);
    DiscRow shortPool = withTree(DiscRow().at(1, 2).named("plain"), tree);
    shortPool.treeDataS += 5;
    insert(shortPool);
    DiscRow noBlocks = DiscRow().at(1, 3).named("plain");
    noBlocks.treeIndexS = 3;
    noBlocks.treeDataS = 20;
    insert(noBlocks);
    insert(withTree(DiscRow().at(1, 4).named("plain"), tree)); // the sound one
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    AdvancedSearch advanced(*catalogue, cache);
    auto rows = advanced.find("needle", {.fileName = true}, scope);
    ASSERT_TRUE(rows.ok()) << rows.error();
    EXPECT_EQ(places(*rows), (std::vector<std::pair<int, int>>{{1, 1}, {1, 4}}));
}

TEST_F(Search, NamesSeenFromOffsetsInsideOtherNamesAndUnterminatedPools)
{
    openWith(kCategories);
    // Entry 1 points into the middle of "xxneedle"; entry 2 past the occurrence; entry 3 at a
    // name whose NUL is missing at the end of the pool.
    const std::string pool = std::string("E:\0xxneedle\0", 12) + "needle";
    FileTree tree;
    tree.pool = pool;
    auto entry = [&](std::int32_t offset) {
        TreeIndexEntry e;
        e.nameOffset = offset;
        e.attributes = 32;
        tree.entries.push_back(e);
    };
    entry(0);
    entry(5); // "needle" inside "xxneedle"
    insert(withTree(DiscRow().at(1, 1).named("x"), tree));
    tree.entries.pop_back();
    entry(6);  // "eedle": no occurrence
    entry(12); // "needle" without its NUL: no name
    insert(withTree(DiscRow().at(1, 2).named("x"), tree));
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    AdvancedSearch advanced(*catalogue, cache);
    auto rows = advanced.find("needle", {.fileName = true}, scope);
    ASSERT_TRUE(rows.ok());
    EXPECT_EQ(places(*rows), (std::vector<std::pair<int, int>>{{1, 1}}));
}

TEST_F(Search, SameTextTwiceLeavesOneTabWithTheSecondRunsRows)
{
    openWith(kCategories);
    insert(DiscRow().at(1, 1).named("abc first"));
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    AdvancedSearch advanced(*catalogue, cache);
    SearchTabs tabs;
    const auto t0 = std::chrono::system_clock::time_point{} + std::chrono::hours(1000);

    auto first = advanced.run(tabs, "abc", {}, scope, t0);
    ASSERT_TRUE(first.ok()) << first.error();
    ASSERT_NE(*first, nullptr);
    EXPECT_EQ((*first)->rows.size(), 1u);

    ASSERT_TRUE(catalogue->database().exec("UPDATE KAVRO SET TitleA = 'gone'").ok());
    insert(DiscRow().at(1, 2).named("ABC second"));
    insert(DiscRow().at(1, 3).named("abc third"));
    auto second = advanced.run(tabs, "abc", {}, scope, t0 + std::chrono::minutes(5));
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(places((*second)->rows), (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}}));
    EXPECT_EQ((*second)->number, 1);
    EXPECT_EQ((*second)->created, t0);

    const TreeNode& searchRoot = *catalogue->categoryTree().searchRoot();
    ASSERT_EQ(searchRoot.childCount(), 1u);
    EXPECT_EQ(searchRoot.child(0)->text, "abc");
    EXPECT_EQ(searchRoot.child(0)->kind, NodeKind::SearchTab);
    EXPECT_EQ(searchRoot.child(0)->image, 4);
    EXPECT_EQ(tabs.tabOf(*searchRoot.child(0)), *first);
    EXPECT_EQ(tabs.nodeOf(catalogue->categoryTree(), **first), searchRoot.child(0));

    // Captions are compared exactly: another case is another tab, numbered on.
    auto upper = advanced.run(tabs, "ABC", {}, scope, t0);
    ASSERT_TRUE(upper.ok());
    EXPECT_NE(*upper, *first);
    EXPECT_EQ((*upper)->number, 2);
    EXPECT_EQ(searchRoot.childCount(), 2u);
    EXPECT_EQ(tabs.tabOf(root()), nullptr);

    // An empty text makes no tab.
    auto none = advanced.run(tabs, "", {}, scope, t0);
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(*none, nullptr);
    EXPECT_EQ(tabs.count(), 2);
}

TEST_F(Search, BarcodeSearchStopsAtTheFirstDiscInTableOrderWhateverItsCategory)
{
    openWith(kCategories);
    insert(DiscRow().at(3, 5).in(1).coded("471100"));
    insert(DiscRow().at(4, 8).in(3).misc("Barcode=X-4711-B\r\n"));
    insert(DiscRow().at(1, 1).in(3).coded("4711"));
    std::vector<DiscPlace> moves;
    auto move = [&](int m, int s) { moves.push_back({m, s}); };

    auto found = BarcodeSearch(*catalogue, cache, "4711-b", move);
    ASSERT_TRUE(found.ok()) << found.error();
    EXPECT_EQ(*found, (DiscPlace{4, 8}));
    found = BarcodeSearch(*catalogue, cache, "4711", move);
    EXPECT_EQ(*found, (DiscPlace{3, 5}));
    EXPECT_EQ(moves, (std::vector<DiscPlace>{{4, 8}, {3, 5}}));

    found = BarcodeSearch(*catalogue, cache, "9999", move);
    ASSERT_TRUE(found.ok());
    EXPECT_FALSE(found->has_value());
    EXPECT_FALSE(BarcodeSearch(*catalogue, cache, "", move)->has_value());
    EXPECT_EQ(moves.size(), 2u);
}

TEST_F(Search, RowsAreReadAgainAfterAnyChangeAndOnlyThen)
{
    openWith(kCategories);
    addDisc(1, 1, "alpha", 1);
    QuickSearch quick(*catalogue, cache);
    EXPECT_EQ(quick.inCategories("alpha", nullptr)->size(), 1u);
    EXPECT_EQ(quick.inCategories("alph", nullptr)->size(), 1u);
    EXPECT_EQ(cache.tableReads(), 1);

    // A change through the program's own records: only that row is read again.
    ASSERT_TRUE(ChangeDiscTitle(*catalogue, 1, 1, "beta").ok());
    EXPECT_EQ(quick.inCategories("alpha", nullptr)->size(), 0u);
    EXPECT_EQ(quick.inCategories("beta", nullptr)->size(), 1u);
    EXPECT_EQ(cache.tableReads(), 1);
    EXPECT_EQ(cache.rowReads(), 1);
    addDisc(1, 2, "beta two", 1);
    EXPECT_EQ(places(*quick.inCategories("beta", nullptr)),
              (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}}));
    EXPECT_EQ(cache.tableReads(), 1);

    // A change made by another connection to the file: the whole table.
    outside("UPDATE KAVRO SET TitleA = 'gamma'");
    EXPECT_EQ(quick.inCategories("gamma", nullptr)->size(), 2u);
    EXPECT_EQ(cache.tableReads(), 2);
    outside("DELETE FROM KAVRO");
    EXPECT_EQ(quick.inCategories("gamma", nullptr)->size(), 0u);
}

} // namespace
} // namespace kavro::test
