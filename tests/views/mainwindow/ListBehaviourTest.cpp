// The lists of the main window: sorting on header clicks, red rows and the drive entries, the
// double-click and menu entry points into the changer flows.
#include "views/mainwindow/MainFormFixture.h"

#include "changer/ChangerContext.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace kavro;
using kavro::test::MainFormFixture;
using kavro::test::TempDir;

namespace {

class ListBehaviour : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\nMovies,2\r\n");
        addCabinet(kDrive, "KZ350VN");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kDrive, "Drive", "KZ350VN");
        registerMachine(kPlain, "Plain", "1234567-150");
        addDisc(kDrive, 3, "Drive disc", 1, "KZ350VN");
        addDisc(kPlain, 8, "Plain disc", 1);
        addDisc(kPlain, 2, "Movie", 2);
    }

    ListItem* rowOf(const ListView* list, int machine, int slot)
    {
        for (int i = 0; i < list->rowCount(); ++i) {
            const ListRow& row = list->rowAt(i)->row();
            if (row.isDisc() && row.machine == machine && row.slot == slot)
                return list->rowAt(i);
        }
        return nullptr;
    }

    bool driveEntriesShown(QMenu* menu)
    {
        const auto actions = menu->actions();
        EXPECT_EQ(actions.size(), 11);
        return actions[8]->isVisible() && actions[9]->isVisible() && actions[10]->isVisible();
    }

    // The requests the cabinet got, by string index.
    std::vector<int> sent(int machine) { return sim.indicesSent(machine); }
};

bool contains(const std::vector<int>& v, std::vector<int> run)
{
    return std::search(v.begin(), v.end(), run.begin(), run.end()) != v.end();
}

} // namespace

TEST_F(ListBehaviour, TwoTitleClicksOnTheMachineListSortDescendingThenAscending)
{
    openForm();
    browser().showMachineMode();
    browser().fillMachineList(1);
    ListView* list = w().listView5;
    EXPECT_EQ(captions(list), (std::vector<std::string>{"Movie", "Plain disc"})) << "by slot at first";
    list->headerClicked(0);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"Plain disc", "Movie"}));
    list->headerClicked(0);
    EXPECT_EQ(captions(list), (std::vector<std::string>{"Movie", "Plain disc"}));

    // A click on the header itself does the same.
    showForm();
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(captions(list), (std::vector<std::string>{"Plain disc", "Movie"}));
}

TEST_F(ListBehaviour, DriveMachineDiscsAreRedAndOnlyTheyShowTheDriveEntries)
{
    openForm();
    browser().nodeClicked(node("資料"));
    ListView* list = w().listView2;
    ListItem* red = rowOf(list, kDrive, 3);
    ListItem* plain = rowOf(list, kPlain, 8);
    ASSERT_TRUE(red && plain);
    EXPECT_TRUE(red->row().red);
    EXPECT_EQ(red->row().icon, RowIcon::DriveDisc);
    EXPECT_EQ(red->foreground(0).color(), QColor(255, 0, 0));
    EXPECT_EQ(red->foreground(3).color(), QColor(255, 0, 0));
    EXPECT_FALSE(plain->row().red);
    EXPECT_EQ(plain->row().icon, RowIcon::Disc);

    list->selectRow(red);
    const ChangerContext& ctx = form->changer();
    EXPECT_EQ(ctx.CurrentMachine, kDrive);
    EXPECT_EQ(ctx.CurrentSlot, 3);
    EXPECT_TRUE(driveEntriesShown(w().popupMenuLv2));
    EXPECT_TRUE(driveEntriesShown(w().popupMenuSearch));
    EXPECT_EQ(status(0), "ID: " + std::to_string(kDrive)) << "the disc is shown";
    EXPECT_EQ(form->catalogue().fileTree().slot, 3);

    list->selectRow(plain);
    EXPECT_EQ(ctx.CurrentMachine, kPlain);
    EXPECT_EQ(ctx.CurrentSlot, 0);
    EXPECT_FALSE(driveEntriesShown(w().popupMenuLv2));
    EXPECT_FALSE(driveEntriesShown(w().popupMenuSearch));
}

TEST_F(ListBehaviour, ADoubleClickTakesTheDiscOutWithDblClickSetAndOpensTheDoorWithout)
{
    openForm();
    browser().nodeClicked(node("資料"));
    showForm();
    ListView* list = w().listView2;
    ListItem* item = rowOf(list, kPlain, 8);
    list->scrollToItem(item);
    const QPoint at = list->visualItemRect(item).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list->selectedRow(), item);
    sim.clearLog();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    // The take-out: readiness, then code 14, the move (12) and the slot.
    EXPECT_TRUE(contains(sent(kPlain), {17, 14, 17, 12, 8})) << ::testing::PrintToString(sent(kPlain));
    EXPECT_TRUE(takeOutAsked.empty()) << "RetrieveLog is off: no dialog";

    context.settings->writeInt("System", "DblClick", 0);
    sim.clearLog();
    list->scrollToItem(item);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
    EXPECT_EQ(sent(kPlain), (std::vector<int>{17, 14})) << "the door: readiness, then code 14";
    EXPECT_EQ(form->changer().DoorMachine, kPlain);
    EXPECT_EQ(form->changer().DoorSlot, 8);

    // The next door action closes the open one first.
    sim.clearLog();
    emit list->rowDoubleClicked(rowOf(list, kPlain, 2));
    // The arm is still putting the first door's disc down (1.2 s): closing it waits, then 14.
    EXPECT_EQ(sent(kPlain), (std::vector<int>{17, 17, 17, 14, 17, 14}));
    EXPECT_EQ(form->changer().DoorSlot, 2);
}

TEST_F(ListBehaviour, WithTheLogOnTheTakeOutIsConfirmedAndRecorded)
{
    context.settings->writeInt("System", "RetrieveLog", 1);
    openForm();
    browser().nodeClicked(node("資料"));
    ListView* list = w().listView2;
    list->selectRow(rowOf(list, kPlain, 8));

    TakeOutAnswer abandon;
    abandon.result = TakeOutAnswer::Abandon;
    takeOutAnswers.push_back(abandon);
    sim.clearLog();
    form->designedAction(QStringLiteral("TBItem30"))->trigger();
    ASSERT_EQ(takeOutAsked.size(), 1u);
    EXPECT_EQ(takeOutAsked[0], (std::pair<std::string, int>{"Plain", 8}));
    EXPECT_EQ(takeOutTitles[0], "Plain disc") << "the dialog shows which disc leaves";
    EXPECT_FALSE(contains(sent(kPlain), {12})) << "abandoned: nothing moves";
    EXPECT_FALSE(std::filesystem::exists(dir / "Data/Retrieve.log"));

    TakeOutAnswer execute;
    execute.result = TakeOutAnswer::Execute;
    execute.takeOut = true;
    execute.reason = "lent";
    takeOutAnswers.push_back(execute);
    sim.clearLog();
    form->designedAction(QStringLiteral("N7"))->trigger(); // the row menu's take-out
    EXPECT_TRUE(contains(sent(kPlain), {12, 8}));
    const std::string log = TempDir::read(dir / "Data/Retrieve.log");
    EXPECT_NE(log.find("Title : Plain disc\r\nLibrary Name : Plain\r\nLibrary Location : 8\r\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(form->changer().deviceMonitor->active()) << "the monitor runs again after the take-out";

    // The log view shows the record.
    browser().nodeClicked(node("紀錄"));
    ASSERT_EQ(w().listView3->rowCount(), 1);
    EXPECT_EQ(w().listView3->rowAt(0)->row().text(4), "lent");
}

TEST_F(ListBehaviour, TheMachineListTakesOutOnDoubleClickAndEnter)
{
    openForm();
    browser().showMachineMode();
    browser().fillMachineList(0);
    ListView* list = w().listView5;
    ASSERT_EQ(list->rowCount(), 1);
    ListItem* item = list->rowAt(0);
    EXPECT_TRUE(item->row().red);
    emit list->rowClicked(item);
    EXPECT_EQ(form->changer().CurrentMachine, kDrive);
    EXPECT_EQ(status(2), "SLOT : 3");
    sim.clearLog();
    emit list->rowKeyReleased(item, Qt::Key_Return);
    EXPECT_TRUE(contains(sent(kDrive), {12, 3})) << ::testing::PrintToString(sent(kDrive));
}

TEST_F(ListBehaviour, AListActsOnlyOnAKeyWhosePressItGot)
{
    openForm();
    showForm();
    browser().showMachineMode();
    browser().fillMachineList(0);
    ListPane* pane = w().paneListView5;
    for (int mode : {0, 2}) {
        pane->setViewMode(mode);
        QAbstractItemView* view = pane->shownView();
        pane->list()->selectRow(pane->list()->rowAt(0));
        clock.advance(60000); // the cabinet has stopped after the last round
        sim.clearLog();
        // The release of the Enter that closed a message box over the list.
        QTest::keyRelease(view, Qt::Key_Return);
        EXPECT_FALSE(contains(sent(kDrive), {12, 3})) << "mode " << mode;
        // A press that went elsewhere (focus left the list) is forgotten too.
        QTest::keyPress(view, Qt::Key_Return);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(view, &out);
        QTest::keyRelease(view, Qt::Key_Return);
        EXPECT_FALSE(contains(sent(kDrive), {12, 3})) << "mode " << mode;
        QTest::keyClick(view, Qt::Key_Return);
        EXPECT_TRUE(contains(sent(kDrive), {12, 3})) << "mode " << mode;
    }
}

TEST_F(ListBehaviour, CommonKeysReachTheirCommandsAndTheMenusShowThem)
{
    openForm();
    showForm();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const struct {
        const char* name;
        QKeySequence key;
    } keys[] = {
        {"TBItem32", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"N38", QKeySequence(Qt::CTRL | Qt::Key_N)},
        {"TBItem35", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"N21", QKeySequence(Qt::CTRL | Qt::Key_F)},
        {"N_find_files", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
        {"N23", QKeySequence(Qt::Key_F2)},
        {"N26", QKeySequence(Qt::Key_F2)},
        {"TBItem37", QKeySequence(QKeySequence::Delete)},
        {"N2", QKeySequence(QKeySequence::Delete)},
        {"N39", QKeySequence(QKeySequence::Delete)},
        {"N4", QKeySequence(QKeySequence::Delete)},
        {"Key_rename", QKeySequence(Qt::Key_F2)},
        {"Key_refresh", QKeySequence(Qt::Key_F5)},
    };
    for (const auto& k : keys) {
        QAction* action = form->designedAction(QString::fromLatin1(k.name));
        ASSERT_NE(action, nullptr) << k.name;
        EXPECT_EQ(action->shortcut(), k.key) << k.name;
    }

    // Delete on a row asks, naming the disc, its machine and slot; Cancel keeps it.
    browser().nodeClicked(node("資料/Music"));
    ListView* list = w().listView2;
    list->setFocus();
    list->selectRow(rowOf(list, kPlain, 8));
    person.boxAnswers = {BoxAnswer::Cancel};
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_NE(person.boxes[0].text.find("確定刪除此筆資料嗎？"), std::string::npos);
    EXPECT_NE(person.boxes[0].text.find("Plain disc"), std::string::npos) << person.boxes[0].text;
    EXPECT_NE(person.boxes[0].text.find("Plain, 槽位 8"), std::string::npos) << person.boxes[0].text;
    EXPECT_TRUE(listsDisc(list, kPlain, 8));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM KAVRO")[0][0], "3");

    // Delete in the edit line deletes a character there.
    w().tntEditMain->setFocus();
    w().tntEditMain->setText(QStringLiteral("ab"));
    w().tntEditMain->setCursorPosition(0);
    QTest::keyClick(w().tntEditMain, Qt::Key_Delete);
    EXPECT_EQ(w().tntEditMain->text(), QStringLiteral("b"));
    EXPECT_EQ(person.boxes.size(), 1u);
}

TEST_F(ListBehaviour, SearchListsTakeOutOnlyForTheMachineShownLast)
{
    openForm();
    const RowLookups lookups = browser().lookups();
    w().searchView->setRows({SearchResultRow(0, kPlain, 8, "Plain disc", "Music", "", lookups),
                             SearchResultRow(1, kDrive, 3, "Drive disc", "Music", "KZ350VN", lookups)});
    ListView* list = w().searchView;
    emit list->rowClicked(list->rowAt(1)); // shows the drive disc
    EXPECT_EQ(form->catalogue().fileTree().machine, kDrive);
    sim.clearLog();
    emit list->rowDoubleClicked(list->rowAt(0));
    EXPECT_TRUE(sent(kPlain).empty()) << "another machine than the one shown: nothing";
    emit list->rowDoubleClicked(list->rowAt(1));
    EXPECT_TRUE(contains(sent(kDrive), {12, 3}));
}

TEST_F(ListBehaviour, RenamingARowStoresTheTitle)
{
    openForm();
    showForm();
    browser().nodeClicked(node("資料/Music"));
    ListView* list = w().listView2;
    ListItem* item = rowOf(list, kPlain, 8);
    list->selectRow(item);
    form->designedAction(QStringLiteral("N26"))->trigger();
    auto* editor = list->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "the caption is being edited";
    editor->setText(QStringLiteral("Renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor commits, and the edit is reported once the editor has closed.
    for (int i = 0; i < 5 && !node("資料/Music/Renamed"); ++i)
        QCoreApplication::processEvents();
    ASSERT_NE(node("資料/Music/Renamed"), nullptr);
    EXPECT_EQ(node("資料/Music/Renamed")->slot, 8);
    EXPECT_NE(rowOf(w().listView2, kPlain, 8), nullptr);
    EXPECT_EQ(rowOf(w().listView2, kPlain, 8)->row().text(0), "Renamed");
    EXPECT_EQ(rows("SELECT TitleA FROM KAVRO WHERE Slot=8")[0][0].substr(0, 7), "Renamed");
}

TEST_F(ListBehaviour, F2OnTheClickedItemRenamesIt)
{
    openForm();
    showForm();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // The person clicks the item, as a person does, and presses F2.
    auto clickNode = [&](const std::string& path) -> QAbstractItemView* {
        NavigationTree* tree = w().treeView1;
        QTreeWidgetItem* item = tree->itemOf(node(path));
        for (QTreeWidgetItem* up = item ? item->parent() : nullptr; up; up = up->parent())
            up->setExpanded(true);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        return tree;
    };
    const struct {
        const char* what;
        std::function<QAbstractItemView*()> click;
        const char* typed;
        std::string stored;
    } cases[] = {
        {"category in the tree", [&] { return clickNode("資料/Movies"); }, "Films",
         "SELECT TRIM(CATEGORYNAME) FROM CATEGORY WHERE TRIM(CATEGORYNAME)='Films'"},
        {"disc in the tree", [&] { return clickNode("資料/Music/Drive disc"); }, "Drive two",
         "SELECT TRIM(TitleA) FROM KAVRO WHERE TRIM(TitleA)='Drive two'"},
        {"disc row of the list",
         [&]() -> QAbstractItemView* {
             clickNode("資料/Music");
             ListView* list = w().listView2;
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                               list->visualItemRect(rowOf(list, kPlain, 8)).center());
             return list;
         },
         "Plain two", "SELECT TRIM(TitleA) FROM KAVRO WHERE TRIM(TitleA)='Plain two'"},
        {"disc among the icons",
         [&]() -> QAbstractItemView* {
             clickNode("資料/Music");
             form->designedAction(QStringLiteral("TBItem26"))->trigger();
             QListView* icons = w().paneListView2->companion();
             const QModelIndex index = icons->model()->index(
                 w().listView2->indexOfTopLevelItem(rowOf(w().listView2, kPlain, 8)), 0);
             QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, icons->visualRect(index).center());
             return icons;
         },
         "Plain three", "SELECT TRIM(TitleA) FROM KAVRO WHERE TRIM(TitleA)='Plain three'"},
    };
    for (const auto& c : cases) {
        QAbstractItemView* view = c.click();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr) << c.what << ": F2 opens the caption editor";
        EXPECT_TRUE(view->isAncestorOf(editor)) << c.what;
        editor->selectAll();
        QTest::keyClicks(editor, QString::fromUtf8(c.typed));
        QTest::keyClick(editor, Qt::Key_Return);
        for (int i = 0; i < 5 && rows(c.stored).empty(); ++i)
            QCoreApplication::processEvents();
        EXPECT_EQ(rows(c.stored).size(), 1u) << c.what;
    }
}

TEST_F(ListBehaviour, ViewModesShowTheSameRowsAsListAndIcons)
{
    openForm();
    showForm();
    browser().nodeClicked(node("資料"));
    form->designedAction(QStringLiteral("TBItem26"))->trigger();
    ListPane* pane = w().paneListView2;
    EXPECT_EQ(pane->viewMode(), 2);
    EXPECT_EQ(pane->currentWidget(), pane->companion());
    EXPECT_EQ(pane->companion()->viewMode(), QListView::IconMode);
    EXPECT_EQ(pane->companion()->model()->rowCount(), 3);
    form->designedAction(QStringLiteral("TBItem25"))->trigger();
    EXPECT_EQ(pane->companion()->viewMode(), QListView::ListMode);

    // The mode applies to every list made active.
    browser().nodeClicked(node("紀錄"));
    EXPECT_EQ(w().paneListView3->viewMode(), 1);
    form->designedAction(QStringLiteral("TBItem24"))->trigger();
    EXPECT_EQ(w().paneListView3->currentWidget(), w().listView3);

    // Clicks in the companion reach the list's handlers.
    browser().nodeClicked(node("資料"));
    form->designedAction(QStringLiteral("TBItem26"))->trigger();
    QListView* icons = pane->companion();
    const QModelIndex index = icons->model()->index(0, 0);
    emit icons->clicked(index);
    icons->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(w().listView2->selectedRow(), w().listView2->rowAt(0)) << "one selection for both views";
}
