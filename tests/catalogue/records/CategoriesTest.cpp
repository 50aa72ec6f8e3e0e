#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/records/Categories.h"
#include "catalogue/records/CategoryMoves.h"
#include "catalogue/database/Transaction.h"

namespace kavro::test {
namespace {

class Categories : public CatalogueFixture {
protected:
    std::filesystem::path mirror() const { return dir / "Data/category.txt"; }

    int load()
    {
        auto r = LoadCategories(*catalogue);
        EXPECT_TRUE(r.ok()) << r.error();
        return r.valueOr(-99);
    }

    void insertCategory(const std::string& name, int id)
    {
        Query& q = catalogue->changeQuery();
        q.setSql("INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)");
        q.setParam("CATEGORYNAME", DbValue(name));
        q.setParam("CATEGORYID", DbValue(id));
        ASSERT_TRUE(q.execute().ok());
    }
};

TEST_F(Categories, FileNestingLoadsOnceAndIsKeptWithTheCatalogue)
{
    dir.write("Data/category.txt", "A,1\r\n\tB,2\r\nC,3\r\n");
    open();
    EXPECT_EQ(load(), 3);
    EXPECT_EQ(shape(), "A(B),C");
    EXPECT_EQ(outside("SELECT TRIM(CATEGORYNAME), CATEGORYID FROM CATEGORY ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"A", "1"}, {"B", "2"}, {"C", "3"}}));
    const CategoryTree& tree = catalogue->categoryTree();
    ASSERT_EQ(tree.topNodes().size(), 3u);
    EXPECT_EQ(tree.topNodes()[0]->text, "資料");
    EXPECT_EQ(tree.topNodes()[1]->text, "搜尋");
    EXPECT_EQ(tree.topNodes()[2]->text, "紀錄");
    EXPECT_EQ(catalogue->categories().nextCategoryId, 4);
    EXPECT_FALSE(catalogue->listingQuery().isOpen());

    // The nesting lives in the catalogue, so the file plays no part from now on.
    std::filesystem::remove(mirror());
    reopen();
    EXPECT_EQ(load(), 3);
    EXPECT_EQ(shape(), "A(B),C");
    EXPECT_EQ(catalogue->categories()[1].id, 2);
    EXPECT_EQ(catalogue->categories()[1].ordinal, 1);
    EXPECT_EQ(catalogue->categories()[1].node, category("B"));
}

TEST_F(Categories, TableWithoutNestingRowsLoadsFlatAndIgnoresRowsItCannotPlace)
{
    open();
    insertCategory("A", 1);
    insertCategory("B", 2);
    insertCategory("C", 3);
    EXPECT_EQ(load(), 3);
    EXPECT_EQ(shape(), "A,B,C");
    // Rows of unknown ids, a category under itself, and a loop are passed over.
    ASSERT_TRUE(catalogue->database().exec("CREATE TABLE CATEGORYTREE (CATEGORYID INTEGER, PARENTID INTEGER)"));
    for (const auto& [id, parent] : std::vector<std::pair<int, int>>{{9, 1}, {2, 9}, {3, 3}, {1, 2}, {2, 1}}) {
        Query& q = catalogue->changeQuery();
        q.close();
        q.setSql("INSERT INTO CATEGORYTREE (CATEGORYID,PARENTID) VALUES(:A,:B)");
        q.setParam("A", DbValue(id));
        q.setParam("B", DbValue(parent));
        ASSERT_TRUE(q.execute().ok());
    }
    reopen();
    EXPECT_EQ(load(), 3);
    EXPECT_EQ(shape(), "B(A),C");
}

TEST_F(Categories, DeeperTabsNestOneLevelAndOddLinesAreSkipped)
{
    dir.write("Data/category.txt",
              "A,1\n\t\tB,2\n\tC,3\nno comma here\nZero,0\nWord,abc\nRock, Pop,7\n\t\t\tD,8\nE,9");
    open();
    EXPECT_EQ(load(), 6);
    EXPECT_EQ(shape(), "A(B,C),Rock, Pop(D),E");
    EXPECT_EQ(category("Rock, Pop")->id, 7);
}

TEST_F(Categories, Big5FileIsReadAsBig5)
{
    dir.write("Data/category.txt", "\xad\xb5\xbc\xd6,5\r\n");
    open();
    EXPECT_EQ(load(), 1);
    EXPECT_EQ(shape(), "音樂");
}

TEST_F(Categories, EmptyTableWithoutFileLoadsNothing)
{
    open();
    EXPECT_EQ(load(), -1);
    EXPECT_EQ(catalogue->categoryTree().topNodes().size(), 3u);
    EXPECT_EQ(shape(), "");
    auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok());
    EXPECT_EQ((*made)->id, 1);
}

TEST_F(Categories, NextIdFromTableAndFromFile)
{
    open();
    insertCategory("Three", 3);
    insertCategory("Nine", 9);
    load();
    EXPECT_EQ(catalogue->categories().nextCategoryId, 9);
    auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok() && *made);
    EXPECT_EQ((*made)->id, 10);
    EXPECT_EQ((*made)->text, "New");

    ASSERT_TRUE(catalogue->database().exec("DELETE FROM CATEGORY").ok());
    dir.write("Data/category.txt", "Three,3\r\nNine,9\r\n");
    load();
    EXPECT_EQ(catalogue->categories().nextCategoryId, 10);
    made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok() && *made);
    EXPECT_EQ((*made)->id, 11);
}

TEST_F(Categories, SaveWritesTheMirrorInTreeOrderWithCrLf)
{
    dir.write("Data/category.txt", "A,1\n\tB,2\n\t\tC,3\nD,4\n");
    open();
    load();
    auto saved = SaveCategories(*catalogue);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(*saved, 4);
    EXPECT_EQ(TempDir::read(mirror()), "A,1\r\n\tB,2\r\n\t\tC,3\r\nD,4\r\n");
}

TEST_F(Categories, SaveFailsWithoutTouchingTheTableWhenTheFileCannotBeMade)
{
    open();
    insertCategory("Keep", 1);
    load();
    category("Keep")->text = "Changed";
    std::filesystem::create_directory(mirror()); // a folder where the file should be
    auto saved = SaveCategories(*catalogue);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(*saved, -1);
    EXPECT_EQ(outside("SELECT TRIM(CATEGORYNAME) FROM CATEGORY")[0][0], "Keep");
}

TEST_F(Categories, NewThenRenameKeepsTheIdAndRenamesTheRow)
{
    open();
    insertCategory("Rock", 1);
    load();
    TreeNode* made = *NewCategory(*catalogue);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(outside("SELECT TRIM(CATEGORYNAME), CATEGORYID FROM CATEGORY ORDER BY rowid")[1],
              (std::vector<std::string>{"New", "2"}));
    TreeNode* second = *NewCategory(*catalogue);
    EXPECT_EQ(second->text, "New (2)");

    auto renamed = RenameCategory(*catalogue, *made, "  Jazz\t");
    ASSERT_TRUE(renamed.ok());
    EXPECT_TRUE(*renamed);
    EXPECT_EQ(made->text, "Jazz");
    EXPECT_EQ(outside("SELECT TRIM(CATEGORYNAME), CATEGORYID FROM CATEGORY ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"Rock", "1"}, {"Jazz", "2"}, {"New (2)", "3"}}));
    // Sorted after the rename.
    EXPECT_EQ(shape(), "Jazz,New (2),Rock");

    // Two categories of one name would share one row: refused.
    EXPECT_FALSE(*RenameCategory(*catalogue, *made, "Rock"));
    EXPECT_EQ(made->text, "Jazz");
    EXPECT_TRUE(*RenameCategory(*catalogue, *made, "rock")); // another name: case counts
}

TEST_F(Categories, RenameToBlanksLeavesTheLineOutAndDeletesEmptyNamedRows)
{
    open();
    insertCategory("Jazz", 1);
    insertCategory("Pop", 2);
    insertCategory("", 3);
    load();
    ASSERT_TRUE(RenameCategory(*catalogue, *category("Jazz"), "   ").ok());
    EXPECT_EQ(TempDir::read(mirror()), "Pop,2\r\n");
    EXPECT_EQ(outside("SELECT COUNT(*) FROM CATEGORY WHERE CATEGORYNAME=''")[0][0], "0");
}

TEST_F(Categories, ListOfAThousandIsFullAndNewDoesNothing)
{
    open();
    {
        Transaction t(catalogue->database());
        for (int i = 1; i <= 1001; ++i)
            insertCategory("C" + std::to_string(i), i);
        ASSERT_TRUE(t.commit().ok());
    }
    EXPECT_EQ(load(), 1000);
    // The row past the capacity has no node, but its id is never handed out again.
    EXPECT_EQ(catalogue->categories().nextCategoryId, 1001);
    const std::size_t before = catalogue->categoryTree().categoryRoot()->childCount();
    auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(*made, nullptr);
    EXPECT_EQ(catalogue->categoryTree().categoryRoot()->childCount(), before);
    EXPECT_EQ(catalogue->categories().nextCategoryId, 1001);
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(Categories, IdsAboveTwentyThousandWarn)
{
    open();
    insertCategory("Odd", 20001);
    load();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Wrong category key !!!");
    EXPECT_EQ(person.boxes[0].caption, "System Message");
    EXPECT_EQ(shape(), "Odd");
}

TEST_F(Categories, DeleteTakesSubCategoriesAndTheirDiscsInOneStep)
{
    dir.write("Data/category.txt", "Music,1\n\tJazz,2\n\t\tBebop,3\nGames,4\n");
    open();
    load();
    reopen(); // from the second start on the categories come from the table
    load();
    addDisc(1, 1, "m", 1);
    addDisc(1, 2, "j", 2);
    addDisc(1, 3, "b", 3);
    addDisc(1, 4, "g", 4);
    std::vector<std::pair<int, int>> removed;
    catalogue->setDiscRemovedHandler([&](int m, int s) { removed.emplace_back(m, s); });

    person.boxAnswers.push_back(BoxAnswer::Cancel);
    EXPECT_FALSE(*DeleteCategory(*catalogue, *category("Music")));
    EXPECT_EQ(outside("SELECT COUNT(*) FROM KAVRO")[0][0], "4");

    auto deleted = DeleteCategory(*catalogue, *category("Music"));
    ASSERT_TRUE(deleted.ok()) << deleted.error();
    EXPECT_TRUE(*deleted);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].text.rfind("確定刪除此分類內所有資料嗎？", 0), 0u) << person.boxes[1].text;
    EXPECT_EQ(outside("SELECT Slot FROM KAVRO"), (std::vector<std::vector<std::string>>{{"4"}}));
    EXPECT_EQ(outside("SELECT TRIM(CATEGORYNAME) FROM CATEGORY"),
              (std::vector<std::vector<std::string>>{{"Games"}}));
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(shape(), "Games");
    EXPECT_EQ(TempDir::read(mirror()), "Games,4\r\n");
    EXPECT_EQ(catalogue->categories().indexOfId(2), -1);
    // A copy of the catalogue as it was is kept.
    ASSERT_TRUE(std::filesystem::is_directory(dir / "Backup"));
    EXPECT_FALSE(std::filesystem::is_empty(dir / "Backup"));
    EXPECT_EQ(person.busyDepth, 0);

    EXPECT_FALSE(*DeleteCategory(*catalogue, *catalogue->categoryTree().categoryRoot()));
}

TEST_F(Categories, DropRulesAndEffects)
{
    dir.write("Data/category.txt", "A,1\n\tA1,2\nB,3\n");
    open();
    load();
    addDisc(1, 1, "disc", 2);
    CategoryTree& tree = catalogue->categoryTree();
    TreeNode& root = *tree.categoryRoot();
    TreeNode& a = *category("A");
    TreeNode& a1 = *category("A1");
    TreeNode& b = *category("B");
    TreeNode& disc = a1.addChild("disc", NodeKind::Disc);
    disc.machine = 1;
    disc.slot = 1;
    const auto tree1 = DragSource::CategoryTree;

    EXPECT_FALSE(CanDropOnCategoryTree(tree1, a1, a));                  // its own parent
    EXPECT_FALSE(CanDropOnCategoryTree(tree1, a, a1));                  // into its own sub-tree
    EXPECT_FALSE(CanDropOnCategoryTree(tree1, b, b));                   // on itself
    EXPECT_FALSE(CanDropOnCategoryTree(tree1, a1, *tree.searchRoot())); // not a category
    EXPECT_FALSE(CanDropOnCategoryTree(tree1, disc, root));             // a disc on the root
    EXPECT_FALSE(CanDropOnCategoryTree(tree1, root, b));                // no data, no drag
    EXPECT_FALSE(CanDropOnCategoryTree(DragSource::SearchView, disc, root));
    EXPECT_TRUE(CanDropOnCategoryTree(DragSource::MachineList, disc, b));
    EXPECT_TRUE(CanDropOnCategoryTree(tree1, a1, b));

    EXPECT_EQ(*DropOnCategoryTree(*catalogue, DragSource::MachineList, disc, b), DropEffect::None);
    EXPECT_EQ(outside("SELECT Category FROM KAVRO")[0][0], "2");

    EXPECT_EQ(*DropOnCategoryTree(*catalogue, tree1, disc, b), DropEffect::DiscMoved);
    EXPECT_EQ(disc.parent(), &b);
    EXPECT_EQ(outside("SELECT Category FROM KAVRO")[0][0], "3");

    EXPECT_EQ(*DropOnCategoryTree(*catalogue, tree1, a1, b), DropEffect::CategoryMoved);
    EXPECT_EQ(a1.parent(), &b);
    EXPECT_EQ(TempDir::read(mirror()), "A,1\r\nB,3\r\n\tA1,2\r\n");

    // A top-level category moves too, and the tree comes back so at the next start.
    EXPECT_EQ(*DropOnCategoryTree(*catalogue, tree1, b, a), DropEffect::CategoryMoved);
    EXPECT_EQ(TempDir::read(mirror()), "A,1\r\n\tB,3\r\n\t\tA1,2\r\n");
    reopen();
    load();
    EXPECT_EQ(shape(), "A(B(A1))");
}

TEST(TreeOrder, CategoriesBeforeDiscsThenCaptionsIgnoringCase)
{
    CategoryTree tree;
    TreeNode& root = tree.addTop(TopNode::CategoryRoot, "root");
    tree.addTop(TopNode::SearchRoot, "a search");
    tree.addTop(TopNode::LogRoot, "a log");
    root.addChild("beta", NodeKind::Disc);
    root.addChild("Zulu", NodeKind::Category);
    root.addChild("alpha", NodeKind::Disc);
    root.addChild("ALPHA", NodeKind::Disc);
    TreeNode& apple = root.addChild("apple", NodeKind::Category);
    apple.addChild("b folder");
    apple.addChild("A folder");
    tree.sort();
    std::vector<std::string> order;
    for (const auto& c : root.children())
        order.push_back(c->text);
    EXPECT_EQ(order, (std::vector<std::string>{"apple", "Zulu", "alpha", "ALPHA", "beta"}));
    EXPECT_EQ(apple.child(0)->text, "A folder");
    // Top nodes keep their places.
    EXPECT_EQ(tree.topNodes()[1]->text, "a search");
    EXPECT_EQ(CompareTreeNodes(root, *tree.searchRoot()), 0);
    EXPECT_LT(CompareTreeNodes(*root.child(0), *root.child(2)), 0);
}

TEST(CategoryLines, ParseLikeTheMirrorIsWritten)
{
    const auto line = ParseCategoryLine("\t\tName, with comma ,  42");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->name, "Name, with comma");
    EXPECT_EQ(line->id, 42);
    EXPECT_EQ(line->depth, 3);
    EXPECT_FALSE(ParseCategoryLine("no comma"));
    EXPECT_FALSE(ParseCategoryLine("zero,0"));
    EXPECT_FALSE(ParseCategoryLine("huge,99999999999"));
    EXPECT_EQ(ParseCategoryLine("neg,-4")->id, -4);
    EXPECT_EQ(CleanCategoryName(" a\tb\r\n"), "a b");
    EXPECT_EQ(CleanCategoryName(std::string(200, 'x')).size(), 128u);
}

} // namespace
} // namespace kavro::test
