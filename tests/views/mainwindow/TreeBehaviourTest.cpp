// The navigation tree of the main window: the disc level, clicks, folder browsing, drops, the
// machine mode and removals.
#include "views/mainwindow/MainFormFixture.h"

#include "catalogue/records/CategoryTree.h"
#include "content/TreeTestSupport.h"
#include "views/lists/BuildDiscNodes.h"
#include "views/mainwindow/PageControl.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QTimer>

using namespace kavro;
using kavro::test::MainFormFixture;
using kavro::test::TempDir;

namespace {

class TreeBehaviour : public MainFormFixture {
protected:
    // A with child B, C; discs in A and C; one disc of an unknown category.
    void seedThreeCategories()
    {
        writeCategories("A,1\r\n\tB,2\r\nC,3\r\n");
        addCabinet(kDrive, "KZ350VN");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kDrive, "Drive", "KZ350VN");
        registerMachine(kPlain, "Plain", "1234567-150");
        addDisc(kDrive, 1, "Zeta", 1, "KZ350VN",
                test::buildTree({test::folder("Data", {test::file("inner.txt", 5)}), test::folder("Data2"),
                                 test::file("readme.txt", 10)}));
        addDisc(kPlain, 5, "Alpha", 1);
        addDisc(kPlain, 6, "Gamma", 3);
        addDisc(kPlain, 7, "Lost", 99);
    }

    DragPayload dragCategory(const TreeNode* category, DragSource source = DragSource::CategoryTree)
    {
        DragPayload payload;
        payload.source = source;
        payload.items.push_back({true, category->entry, 0, 0});
        return payload;
    }

    DragPayload dragDisc(int machine, int slot, DragSource source)
    {
        DragPayload payload;
        payload.source = source;
        payload.items.push_back({false, -1, machine, slot});
        return payload;
    }
};

} // namespace

TEST_F(TreeBehaviour, DiscsAreFiledUnderTheirCategoriesSortedAndUnknownOnesLeftOut)
{
    seedThreeCategories();
    openForm();
    TreeNode* a = node("資料/A");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->childCount(), 3u);
    EXPECT_EQ(a->child(0)->text, "B") << "categories before discs";
    EXPECT_EQ(a->child(1)->text, "Alpha");
    EXPECT_EQ(a->child(2)->text, "Zeta");
    EXPECT_EQ(a->child(2)->image, DiscContentImage) << "a disc with a stored tree";
    EXPECT_EQ(a->child(1)->image, -1);
    EXPECT_EQ(a->child(1)->selectedImage, DiscSelectedImage);
    EXPECT_EQ(browser().discs().count(), 3) << "the disc of category 99 gets no node";
    EXPECT_EQ(browser().discs().find(kPlain, 7), -1);

    // The widget tree shows the model, top nodes in their order.
    NavigationTree* tree = w().treeView1;
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QString::fromUtf8("資料"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QString::fromUtf8("搜尋"));
    EXPECT_EQ(tree->topLevelItem(2)->text(0), QString::fromUtf8("紀錄"));
    EXPECT_EQ(tree->nodeOf(tree->itemOf(a)->child(2)), a->child(2));
    EXPECT_EQ(tree->currentNode(), node("資料")) << "CategoryRoot is selected at start";
}

TEST_F(TreeBehaviour, ClickingTheSameDiscTwiceLoadsItsTreeOnce)
{
    seedThreeCategories();
    openForm();
    TreeNode* zeta = node("資料/A/Zeta");
    const int loadsBefore = person.busyBegins;
    browser().nodeClicked(zeta);
    EXPECT_EQ(person.busyBegins, loadsBefore + 1);
    EXPECT_EQ(browser().activeList(), w().listView1);
    EXPECT_EQ(captions(w().listView1), (std::vector<std::string>{"Data", "Data2", "readme.txt"}));
    EXPECT_EQ(status(0), "ID: " + std::to_string(kDrive));
    EXPECT_EQ(status(1), "ID NAME : Drive");
    EXPECT_EQ(status(2), "SLOT : 1");

    browser().nodeClicked(zeta);
    EXPECT_EQ(person.busyBegins, loadsBefore + 1) << "a second click on the same node does nothing";

    // A real mouse click on the item goes the same way.
    showForm();
    QTreeWidgetItem* item = w().treeView1->itemOf(zeta);
    w().treeView1->scrollToItem(item);
    QTest::mouseClick(w().treeView1->viewport(), Qt::LeftButton, {},
                      w().treeView1->visualItemRect(item).center());
    EXPECT_EQ(person.busyBegins, loadsBefore + 1);
}

TEST_F(TreeBehaviour, OpeningADiscGrowsItsFoldersAndFoldersListTheirOwnRun)
{
    seedThreeCategories();
    openForm();
    TreeNode* zeta = node("資料/A/Zeta");
    browser().nodeClicked(zeta);
    ASSERT_EQ(zeta->childCount(), 2u) << "one folder node per folder of the root";
    EXPECT_FALSE(zeta->child(0)->hasData());
    EXPECT_NE(w().treeView1->itemOf(zeta->child(1)), nullptr) << "the widget tree grew with the model";
    EXPECT_EQ(w().listView1->rowAt(0)->row().text(1), "<Dir>");
    EXPECT_EQ(w().listView1->rowAt(2)->row().text(2), "txt");

    // Data and Data2 share a prefix; each lists its own run.
    browser().nodeClicked(node("資料/A/Zeta/Data"));
    EXPECT_EQ(captions(w().listView1), (std::vector<std::string>{"inner.txt"}));
    browser().nodeClicked(node("資料/A/Zeta/Data2"));
    EXPECT_TRUE(captions(w().listView1).empty());

    // Opening the disc again adds no second set of folders.
    browser().nodeClicked(node("資料/A"));
    browser().nodeClicked(zeta);
    EXPECT_EQ(zeta->childCount(), 2u);

    // A folder of a disc that is not loaded loads that disc first.
    browser().nodeClicked(node("資料/A/Alpha"));
    EXPECT_EQ(form->catalogue().fileTree().slot, 5);
    browser().nodeClicked(node("資料/A/Zeta/Data"));
    EXPECT_EQ(form->catalogue().fileTree().slot, 1);
    EXPECT_EQ(captions(w().listView1), (std::vector<std::string>{"inner.txt"}));
}

TEST_F(TreeBehaviour, AnEmptyCategoryShowsAnEmptyListAndZeroInPanelTwo)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料/A/B"));
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(w().listView2->rowCount(), 0);
    EXPECT_EQ(status(2), "0");

    browser().nodeClicked(node("資料/A"));
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"B", "Alpha", "Zeta"}));
    EXPECT_EQ(status(2), "3");
    const ListRow& b = w().listView2->rowAt(0)->row();
    EXPECT_EQ(b.texts, (std::vector<std::string>{"B", "<category>", "0", ""}));
    const ListRow& zeta = w().listView2->rowAt(2)->row();
    EXPECT_EQ(zeta.texts, (std::vector<std::string>{"Zeta", "Drive", "1", "A"}));
}

TEST_F(TreeBehaviour, CategoryRootListsEveryDiscWithItsOwnCategory)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料/A")); // something else first
    browser().nodeClicked(node("資料"));
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"Alpha", "Gamma", "Zeta"}));
    EXPECT_EQ(w().listView2->rowAt(1)->row().text(3), "C");
    const int gamma = browser().discs().find(kPlain, 6);
    EXPECT_EQ(browser().discs()[gamma].categoryName, "C");
}

TEST_F(TreeBehaviour, ACategoryDroppedOnItsOwnParentIsRefused)
{
    seedThreeCategories();
    openForm();
    TreeNode* a = node("資料/A");
    TreeNode* b = node("資料/A/B");
    EXPECT_FALSE(browser().acceptsDrop(dragCategory(b), *a));
    EXPECT_FALSE(browser().acceptsDrop(dragCategory(b), *b));
    EXPECT_FALSE(browser().acceptsDrop(dragCategory(a), *b)) << "not into its own branch";
    EXPECT_FALSE(browser().acceptsDrop(dragCategory(b), *node("搜尋")));
    EXPECT_FALSE(browser().acceptsDrop(dragCategory(b), *node("紀錄")));
    const std::string mirror = TempDir::read(dir / "Data/category.txt");
    browser().drop(dragCategory(b), a);
    EXPECT_EQ(b->parent(), a);
    EXPECT_EQ(TempDir::read(dir / "Data/category.txt"), mirror);

    // Onto another category it moves, and the nesting is saved.
    TreeNode* c = node("資料/C");
    ASSERT_TRUE(browser().acceptsDrop(dragCategory(b), *c));
    browser().drop(dragCategory(b), c);
    EXPECT_EQ(b->parent(), c);
    EXPECT_EQ(w().treeView1->itemOf(b)->parent(), w().treeView1->itemOf(c));
    EXPECT_NE(TempDir::read(dir / "Data/category.txt").find("C,3\r\n\tB,2\r\n"), std::string::npos);
}

TEST_F(TreeBehaviour, ATopLevelCategoryMovesUnderAnother)
{
    seedThreeCategories();
    openForm();
    TreeNode* a = node("資料/A");
    TreeNode* c = node("資料/C");
    EXPECT_TRUE(browser().acceptsDrop(dragCategory(c), *a)) << "the pointer accepts it";
    browser().drop(dragCategory(c), a);
    EXPECT_EQ(c->parent(), a);
    EXPECT_NE(TempDir::read(dir / "Data/category.txt").find("\tC,"), std::string::npos);
}

TEST_F(TreeBehaviour, ADiscDroppedFromTheCategoryListMovesToTheTargetCategory)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料/A"));
    ASSERT_TRUE(listsDisc(w().listView2, kPlain, 5));
    TreeNode* c = node("資料/C");
    const auto payload = dragDisc(kPlain, 5, DragSource::CategoryList);
    EXPECT_FALSE(browser().acceptsDrop(payload, *node("資料"))) << "a disc never onto CategoryRoot";
    EXPECT_FALSE(browser().acceptsDrop(payload, *node("資料/A"))) << "nor onto its own category";
    ASSERT_TRUE(browser().acceptsDrop(payload, *c));
    browser().drop(payload, c);

    EXPECT_FALSE(listsDisc(w().listView2, kPlain, 5)) << "its source row goes";
    TreeNode* alpha = form->catalogue().categoryTree().findDisc(kPlain, 5);
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->parent(), c);
    EXPECT_EQ(alpha, c->child(c->childCount() - 1)) << "as the last child";
    const DiscEntry& entry = browser().discs()[alpha->entry];
    EXPECT_EQ(entry.categoryName, "C");
    EXPECT_EQ(entry.categoryOrdinal, c->entry);
    EXPECT_EQ(rows("SELECT Category FROM KAVRO WHERE MachineNo=" + std::to_string(kPlain) + " AND Slot=5"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    EXPECT_FALSE(w().treeView1->isEnabled()) << "the tree rests for a second after a drop";

    // From the machine list the pointer accepts, and nothing changes.
    const auto fromMachines = dragDisc(kPlain, 5, DragSource::MachineList);
    EXPECT_TRUE(browser().acceptsDrop(fromMachines, *node("資料/A")));
    browser().drop(fromMachines, node("資料/A"));
    EXPECT_EQ(alpha->parent(), c);
}

TEST_F(TreeBehaviour, MachineModeIsRebuiltOnlyAfterDiscsCameOrWent)
{
    seedThreeCategories();
    openForm();
    browser().showMachineMode();
    EXPECT_EQ(browser().machineTreeBuilds(), 1);
    EXPECT_TRUE(w().panel3->isVisibleTo(form.get())) << "the quick search serves machine mode too";
    EXPECT_TRUE(w().treeView2->isVisibleTo(form.get()));
    EXPECT_FALSE(w().leftSplitter->isVisibleTo(form.get()));
    ASSERT_EQ(w().treeView2->topLevelItemCount(), 2);
    EXPECT_EQ(w().treeView2->topLevelItem(1)->text(0), QStringLiteral("Plain"));

    browser().showCategoryMode();
    browser().showMachineMode();
    EXPECT_EQ(browser().machineTreeBuilds(), 1) << "nothing changed";

    browser().showCategoryMode();
    person.boxAnswers.push_back(BoxAnswer::Ok);
    w().treeView1->selectNode(node("資料/C/Gamma"));
    browser().removeCurrentTreeDisc();
    browser().showMachineMode();
    EXPECT_EQ(browser().machineTreeBuilds(), 2) << "a disc was removed";

    browser().showCategoryMode();
    DiscRecord added;
    added.machine = kPlain;
    added.slot = 40;
    added.title = "New one";
    added.categoryId = 3;
    added.categoryIndex = node("資料/C")->entry;
    ASSERT_NE(browser().addDiscNode(added), nullptr);
    browser().showMachineMode();
    EXPECT_EQ(browser().machineTreeBuilds(), 3) << "a disc was added";

    // A machine node lists that machine's discs by slot.
    browser().fillMachineList(1);
    EXPECT_EQ(captions(w().listView5), (std::vector<std::string>{"Alpha", "New one"}));
    EXPECT_EQ(w().listView5->rowAt(1)->row().texts, (std::vector<std::string>{"New one", "40", "C"}));

    browser().showCategoryMode();
    EXPECT_TRUE(w().panel3->isVisibleTo(form.get()));
    EXPECT_FALSE(w().paneListView5->isVisibleTo(form.get()));
    EXPECT_TRUE(w().paneListView2->isVisibleTo(form.get())) << "the previous ActiveList comes back";
}

TEST_F(TreeBehaviour, ListsAndPanelsFollowADragAndTheTreeMode)
{
    seedThreeCategories();
    openForm();
    showForm();
    // A sub-category dragged out of the listed category leaves ListView2.
    browser().nodeClicked(node("資料/A"));
    ASSERT_EQ(captions(w().listView2), (std::vector<std::string>{"B", "Alpha", "Zeta"}));
    browser().drop(dragCategory(node("資料/A/B")), node("資料/C"));
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"Alpha", "Zeta"}));
    // A disc dragged in the tree out of the listed category, too.
    browser().drop(dragDisc(kPlain, 5, DragSource::CategoryTree), node("資料/C"));
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"Zeta"}));

    auto* caption = form->findChild<QLabel*>(QStringLiteral("TntPanel2"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(status(2), "1");
    browser().showMachineMode();
    EXPECT_EQ(caption->text(), QStringLiteral("機器列表"));
    EXPECT_EQ(status(2), "0") << "ListView5 is empty until a machine is chosen";
    browser().fillMachineList(1);
    EXPECT_EQ(status(2), "2");
    // The quick search is there, and fills ListView5.
    ASSERT_TRUE(w().tntEditMain->isVisible());
    QTest::keyClicks(w().tntEditMain, QStringLiteral("alp"));
    EXPECT_EQ(captions(w().listView5), (std::vector<std::string>{"Alpha"}));
    browser().showCategoryMode();
    EXPECT_EQ(caption->text(), QStringLiteral("光碟分類"));
}

TEST_F(TreeBehaviour, RemovingADiscFromTheTreeTakesItOutOfEveryList)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料")); // ListView2: every disc
    browser().showMachineMode();
    browser().fillMachineList(1); // ListView5: the discs of Plain
    browser().showCategoryMode();
    const RowLookups lookups = browser().lookups();
    w().listView4->setRows({SearchResultRow(0, kPlain, 5, "Alpha", "A", "", lookups)});
    w().searchView->setRows({SearchResultRow(1, kPlain, 5, "Alpha", "A", "", lookups),
                             SearchResultRow(2, kPlain, 6, "Gamma", "C", "", lookups)});
    ASSERT_TRUE(listsDisc(w().listView2, kPlain, 5));
    ASSERT_TRUE(listsDisc(w().listView5, kPlain, 5));

    TreeNode* alpha = node("資料/A/Alpha");
    const int entry = alpha->entry;
    w().treeView1->selectNode(alpha);
    person.boxAnswers.push_back(BoxAnswer::Cancel);
    browser().removeCurrentTreeDisc();
    EXPECT_TRUE(listsDisc(w().listView2, kPlain, 5)) << "cancelled: nothing goes";

    person.boxAnswers.push_back(BoxAnswer::Ok);
    browser().removeCurrentTreeDisc();
    for (const ListView* list : {w().listView2, w().listView4, w().listView5, w().searchView})
        EXPECT_FALSE(listsDisc(list, kPlain, 5)) << list->objectName().toStdString();
    EXPECT_TRUE(listsDisc(w().searchView, kPlain, 6)) << "other discs stay";
    EXPECT_EQ(browser().discs()[entry].kind, NodeKind::Removed);
    EXPECT_EQ(node("資料/A/Alpha"), nullptr);
    EXPECT_EQ(w().treeView1->itemOf(alpha), nullptr);
    EXPECT_TRUE(rows("SELECT Slot FROM KAVRO WHERE Slot=5").empty());
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"B", "Zeta"}))
        << "its category listed again";
}

TEST_F(TreeBehaviour, RenamingADiscStoresTheTitleAndRelistsItsCategory)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料/A"));
    TreeNode* alpha = node("資料/A/Alpha");
    browser().nodeEdited(alpha, QStringLiteral("  Omega  "));
    EXPECT_EQ(alpha->text, "Omega");
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"B", "Omega", "Zeta"}));
    EXPECT_EQ(node("資料/A")->child(1), alpha) << "the tree is sorted again";
    EXPECT_EQ(w().treeView1->itemOf(alpha)->text(0), QStringLiteral("Omega"));
    EXPECT_EQ(rows("SELECT TitleA FROM KAVRO WHERE Slot=5")[0][0].substr(0, 5), "Omega");
}

TEST_F(TreeBehaviour, RenamingACategoryToANameInUseChangesNothing)
{
    seedThreeCategories();
    openForm();
    TreeNode* c = node("資料/C");
    browser().nodeEdited(c, QStringLiteral("A"));
    EXPECT_EQ(c->text, "C");
    EXPECT_EQ(w().treeView1->itemOf(c)->text(0), QStringLiteral("C"));
    browser().nodeEdited(c, QStringLiteral("Music"));
    EXPECT_EQ(c->text, "Music");
    EXPECT_NE(TempDir::read(dir / "Data/category.txt").find("Music,3"), std::string::npos);
}

TEST_F(TreeBehaviour, TheLogViewShowsEveryRecordOfRetrieveLog)
{
    seedThreeCategories();
    dir.write("Data/Retrieve.log",
              "\r\nTitle : Zeta\r\nLibrary Name : Drive\r\nLibrary Location : 1\r\n"
              "Access : 取出\r\nborrowed\r\n2024-3-5 9:7\r\n\r\n"
              "\r\nTitle : Alpha\r\r\nLibrary Name : Plain\r\r\nLibrary Location : 5\r\r\n"
              "Access : 置放\r\r\n\r\r\n2024-3-6 10:30\r\r\n\r\r\n");
    openForm();
    browser().nodeClicked(node("紀錄"));
    EXPECT_EQ(browser().activeList(), w().listView3);
    ASSERT_EQ(w().listView3->rowCount(), 2);
    EXPECT_EQ(w().listView3->rowAt(0)->row().texts,
              (std::vector<std::string>{"Zeta", "Drive", "1", "取出", "borrowed", "2024-3-5 9:7"}));
    EXPECT_EQ(w().listView3->rowAt(1)->row().texts,
              (std::vector<std::string>{"Alpha", "Plain", "5", "置放", "", "2024-3-6 10:30"}));
    EXPECT_EQ(status(2), "2");
    w().listView3->headerClicked(0);
    EXPECT_EQ(w().listView3->rowAt(0)->row().text(0), "Zeta") << "no header sorting";
}

TEST_F(TreeBehaviour, TheCategoryMenuOffersWhatTheNodeAllows)
{
    seedThreeCategories();
    openForm();
    const auto visible = [this](const char* name) {
        return form->designedAction(QString::fromLatin1(name))->isVisible();
    };
    browser().nodeMenuRequested(node("資料"), QPoint(10, 10));
    EXPECT_TRUE(w().categoryMenu->isVisible());
    EXPECT_TRUE(visible("N22"));
    EXPECT_FALSE(visible("N38"));
    EXPECT_FALSE(visible("N23"));
    EXPECT_FALSE(visible("N11"));
    EXPECT_TRUE(visible("N21"));
    w().categoryMenu->hide();
    browser().nodeMenuRequested(node("資料/A"), QPoint(10, 10));
    EXPECT_FALSE(visible("N22"));
    EXPECT_TRUE(visible("N38"));
    EXPECT_TRUE(visible("N23"));
    EXPECT_TRUE(visible("N11"));
    w().categoryMenu->hide();
    browser().nodeMenuRequested(node("資料/A/Zeta"), QPoint(10, 10));
    EXPECT_TRUE(w().discMenu->isVisible());
    w().discMenu->hide();
}

TEST_F(TreeBehaviour, NewCategoryIsAddedUnderTheRootAndSavedAtOnce)
{
    seedThreeCategories();
    openForm();
    showForm();
    w().treeView1->selectNode(node("資料"));
    form->designedAction(QStringLiteral("N22"))->trigger();
    TreeNode* made = node("資料/New");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(w().treeView1->currentNode(), made);
    EXPECT_NE(TempDir::read(dir / "Data/category.txt").find("New,5"), std::string::npos);
}

TEST_F(TreeBehaviour, DeletingACategoryTakesItsDiscsOutOfTheLists)
{
    seedThreeCategories();
    openForm();
    browser().nodeClicked(node("資料"));
    ASSERT_TRUE(listsDisc(w().listView2, kPlain, 6));
    w().treeView1->selectNode(node("資料/C"));
    person.boxAnswers.push_back(BoxAnswer::Ok);
    form->designedAction(QStringLiteral("N11"))->trigger();
    EXPECT_EQ(node("資料/C"), nullptr);
    EXPECT_FALSE(listsDisc(w().listView2, kPlain, 6));
    EXPECT_EQ(browser().discs().find(kPlain, 6), -1);
    EXPECT_TRUE(w().treeView1->isEnabled());
}

TEST_F(TreeBehaviour, TwoSecondsAfterTheWindowFirstShowsEveryDiscIsListed)
{
    seedThreeCategories();
    openForm();
    EXPECT_EQ(w().listView2->rowCount(), 0) << "nothing listed before the window shows";
    auto* timer = form->findChild<QTimer*>(QStringLiteral("ActivationTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    showForm();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2000);
    EXPECT_TRUE(timer->isSingleShot());

    // Let it fire now instead of in two seconds.
    timer->start(0);
    for (int i = 0; i < 5 && timer->isActive(); ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"Alpha", "Gamma", "Zeta"}));
    EXPECT_TRUE(w().treeView1->itemOf(node("資料"))->isExpanded());

    // Later activations keep what is shown.
    browser().nodeClicked(node("紀錄"));
    form->hide();
    showForm();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(browser().activeList(), w().listView3);
}
