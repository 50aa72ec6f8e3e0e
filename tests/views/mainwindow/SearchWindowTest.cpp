// The searches of the main window: the quick search in the edit line, the advanced search and its
// tabs through the dialog, and the barcode search moving the disc to the door.
#include "views/mainwindow/MainFormFixture.h"

#include "views/mainwindow/QuickSearchController.h"
#include "views/mainwindow/SearchTabsController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace kavro;
using kavro::test::MainFormFixture;

namespace {

class SearchWindow : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\nMovies,2\r\n");
        addCabinet(kDrive, "KZ350VN");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kDrive, "Drive", "KZ350VN");
        registerMachine(kPlain, "Plain", "1234567-150");
        addRecord(kPlain, 8, "Planet Earth", 2, "BC-1001");
        addRecord(kDrive, 3, "Plainsong", 1, "BC-2002", "KZ350VN");
        addRecord(kPlain, 2, "Moon Tapes", 1, "BC-1002", {}, "planned reissue");
        addRecord(kPlain, 9, "Lost Plans", 77, "XX-9"); // a category that is not loaded
    }

    void addRecord(int machine, int slot, const std::string& title, int category, const std::string& barcode,
                   const std::string& deviceType = {}, const std::string& remark = {})
    {
        Catalogue& c = seedCatalogue();
        DiscRecord& d = c.currentDisc();
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = title;
        d.categoryId = category;
        d.barcode = barcode;
        d.remark = remark;
        d.deviceType = deviceType;
        c.fileTree() = FileTree{};
        ASSERT_TRUE(c.discCursor().append().ok());
        ASSERT_TRUE(WriteDiscRecord(c).ok());
        ASSERT_TRUE(c.discCursor().post().ok());
    }

    QuickSearchController& quick() { return *form->findChild<QuickSearchController*>(); }
    SearchTabsController& tabs() { return *form->findChild<SearchTabsController*>(); }
    QLineEdit* edit() { return w().tntEditMain; }

    // Answers the advanced-search dialog once it shows.
    static void whenDialogShown(const std::function<void(QDialog&)>& act)
    {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            if (dialog->isVisible())
                dialog->close();
        });
    }

    static void searchFor(const QString& text, bool barcode = false)
    {
        whenDialogShown([text, barcode](QDialog& dialog) {
            if (barcode)
                dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox8"))->setChecked(true);
            dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(text);
            dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        });
    }

    std::vector<TreeNode*> searchTabs()
    {
        std::vector<TreeNode*> out;
        for (const auto& child : form->catalogue().categoryTree().searchRoot()->children())
            out.push_back(child.get());
        return out;
    }

    static std::vector<std::string> sorted(std::vector<std::string> v)
    {
        std::sort(v.begin(), v.end());
        return v;
    }
};

bool contains(const std::vector<int>& v, std::vector<int> run)
{
    return std::search(v.begin(), v.end(), run.begin(), run.end()) != v.end();
}

} // namespace

TEST_F(SearchWindow, DiscTextsAreReadOnceWhenTheWindowIsUpNotAtTheFirstKeystroke)
{
    openForm();
    QCoreApplication::processEvents();
    EXPECT_EQ(quick().discTexts().tableReads(), 1);
    EXPECT_EQ(quick().discTexts().rows().size(), 4u);
    QTest::keyClicks(edit(), QStringLiteral("moon"));
    EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Moon Tapes"}));
    EXPECT_EQ(quick().discTexts().tableReads(), 1);
}

TEST_F(SearchWindow, TypedCharacterByCharacterTheSearchRunsOncePerChangedTextAndNotOnArrowKeys)
{
    openForm();
    QTest::keyClicks(edit(), QStringLiteral("pla"));
    EXPECT_EQ(quick().searchCount(), 3);
    EXPECT_EQ(browser().activeList(), w().listView4);
    // Sorted on the title; a disc of a category that is not loaded is found too.
    EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Lost Plans", "Plainsong", "Planet Earth"}));
    EXPECT_EQ(status(2), "3");
    const ListRow& drive = w().listView4->rowAt(1)->row();
    EXPECT_EQ(drive.texts, (std::vector<std::string>{"Plainsong", "Drive", "3", "Music"}));
    EXPECT_TRUE(drive.red);
    EXPECT_TRUE(browser().resultRows().valid(drive.resultEntry));

    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End, Qt::Key_Down})
        QTest::keyClick(edit(), key);
    EXPECT_EQ(quick().searchCount(), 3) << "the text did not change";

    QTest::keyClick(edit(), Qt::Key_End);
    QTest::keyClick(edit(), Qt::Key_I);
    EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Plainsong"}));
    EXPECT_EQ(quick().searchCount(), 4);

    // Emptied by keys: every disc in ListView2, CategoryRoot selected.
    w().treeView1->selectNode(node("資料/Music"));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(edit(), Qt::Key_Backspace);
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(w().treeView1->currentNode(), node("資料"));
    EXPECT_EQ(sorted(captions(w().listView2)),
              (std::vector<std::string>{"Moon Tapes", "Plainsong", "Planet Earth"}));
}

TEST_F(SearchWindow, KeysOutsideTheTriggerCodesStillSearchWhenTheTextChanged)
{
    openForm();
    QTest::keyClicks(edit(), QStringLiteral("plan"));
    ASSERT_EQ(captions(w().listView4), (std::vector<std::string>{"Lost Plans", "Planet Earth"}));
    const struct {
        Qt::Key key;
        const char* shown;
    } cases[] = {{Qt::Key_Period, "plan."}, {Qt::Key_Minus, "plan-"}, {Qt::Key_Comma, "plan,"}};
    for (const auto& c : cases) {
        const int before = quick().searchCount();
        QTest::keyClick(edit(), c.key);
        EXPECT_EQ(edit()->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(quick().searchCount(), before + 1) << c.shown;
        EXPECT_TRUE(captions(w().listView4).empty()) << c.shown;
        QTest::keyClick(edit(), Qt::Key_Backspace);
        EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Lost Plans", "Planet Earth"}));
    }
    // A key that leaves the text as it is still runs nothing.
    const int before = quick().searchCount();
    QTest::keyClick(edit(), Qt::Key_Shift);
    EXPECT_EQ(quick().searchCount(), before);
}

TEST_F(SearchWindow, EscInTheEditLineClearsItBeforeItClosesTheWindow)
{
    openForm();
    showForm();
    QTest::keyClicks(edit(), QStringLiteral("moon"));
    ASSERT_EQ(browser().activeList(), w().listView4);
    QTest::keyClick(edit(), Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(captions(w().listView2).size(), 3u);
    QTest::keyClick(edit(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(SearchWindow, TheSelectedCategoryIsTheScopeAndFocusTrimsTheText)
{
    openForm();
    w().treeView1->selectNode(node("資料/Movies"));
    edit()->setText(QStringLiteral("  pla "));
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(edit(), &focus);
    EXPECT_EQ(edit()->text(), QStringLiteral("pla"));
    EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Lost Plans", "Planet Earth"}));
    EXPECT_EQ(quick().searchCount(), 1);

    // Focus with only blanks: the line is emptied and nothing runs.
    edit()->setText(QStringLiteral("   "));
    QApplication::sendEvent(edit(), &focus);
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_EQ(quick().searchCount(), 1);
    EXPECT_EQ(browser().activeList(), w().listView4);
}

TEST_F(SearchWindow, ClearListsEveryDiscAndMakesTheEmptyTextTheLastOne)
{
    openForm();
    QTest::keyClicks(edit(), QStringLiteral("moon"));
    ASSERT_EQ(browser().activeList(), w().listView4);
    w().tntBtnClear->click();
    EXPECT_EQ(edit()->text(), QString());
    EXPECT_EQ(browser().activeList(), w().listView2);
    EXPECT_EQ(w().listView2->rowCount(), 3);
    const int before = quick().searchCount();
    QTest::keyClick(edit(), Qt::Key_Space);
    QTest::keyClick(edit(), Qt::Key_Backspace);
    EXPECT_EQ(quick().searchCount(), before + 1) << "only the space was a new text";
}

TEST_F(SearchWindow, TextFromAnInputMethodRunsTheSearchOnceTheLineHoldsIt)
{
    openForm();
    QInputMethodEvent compose;
    compose.setCommitString(QString::fromUtf8("Moon"));
    QApplication::sendEvent(edit(), &compose);
    EXPECT_EQ(edit()->text(), QStringLiteral("Moon"));
    EXPECT_EQ(quick().searchCount(), 1);
    EXPECT_EQ(captions(w().listView4), (std::vector<std::string>{"Moon Tapes"}));
    // Composing without committing changes nothing.
    QInputMethodEvent preedit(QStringLiteral("T"), {});
    QApplication::sendEvent(edit(), &preedit);
    EXPECT_EQ(quick().searchCount(), 1);
}

TEST_F(SearchWindow, MachineModeListsMatchingDiscsOfTheTreeInTableOrder)
{
    openForm();
    browser().showMachineMode();
    edit()->setText(QStringLiteral("PLA"));
    quick().search(true);
    // "Lost Plans" has no node in the tree (its category is not loaded), so no entry either.
    EXPECT_EQ(captions(w().listView5), (std::vector<std::string>{"Planet Earth", "Plainsong"}));
    const ListRow& row = w().listView5->rowAt(0)->row();
    EXPECT_EQ(row.texts, (std::vector<std::string>{"Planet Earth", "8"}));
    ASSERT_TRUE(browser().discs().valid(row.discEntry));
    EXPECT_EQ(browser().discs()[row.discEntry].slot, 8);
    EXPECT_TRUE(w().listView5->rowAt(1)->row().red);
}

TEST_F(SearchWindow, KeysAreTakenByTheirWindowsCodes)
{
    const auto code = [](int key, Qt::KeyboardModifiers modifiers = {}) {
        return QuickSearchController::virtualKeyOf(QKeyEvent(QEvent::KeyRelease, key, modifiers));
    };
    EXPECT_EQ(code(Qt::Key_Backspace), 8);
    EXPECT_EQ(code(Qt::Key_Return), 13);
    EXPECT_EQ(code(Qt::Key_Left), 37);
    EXPECT_EQ(code(Qt::Key_Delete), 46);
    EXPECT_EQ(code(Qt::Key_Q), 'Q');
    EXPECT_EQ(code(Qt::Key_F1), 112);
    EXPECT_EQ(code(Qt::Key_5, Qt::KeypadModifier), 101);
    EXPECT_EQ(code(Qt::Key_Exclam, Qt::ShiftModifier), '1');
    // Not triggers: modifiers, Escape, Tab and the punctuation keys.
    for (int key :
         {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Escape, Qt::Key_Tab, Qt::Key_Period, Qt::Key_Minus})
        EXPECT_FALSE(QuickSearch::isTriggerKey(code(key))) << key;
}

TEST_F(SearchWindow, TheSameAdvancedSearchTwiceLeavesOneTabWithTheSecondRunsRows)
{
    openForm();
    searchFor(QStringLiteral("Plan"));
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    ASSERT_EQ(searchTabs().size(), 1u);
    TreeNode* tab = searchTabs()[0];
    EXPECT_EQ(tab->text, "Plan");
    EXPECT_EQ(tab->kind, NodeKind::SearchTab);
    EXPECT_EQ(browser().activeList(), w().searchView);
    // Table order, not sorted.
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Planet Earth", "Lost Plans"}));
    EXPECT_EQ(w().treeView1->currentNode(), tab);

    // Another disc comes, the same text again.
    form->catalogue().currentDisc() = DiscRecord{};
    DiscRecord& d = form->catalogue().currentDisc();
    d.machine = kPlain;
    d.slot = 30;
    d.title = "Plan B";
    d.categoryId = 1;
    ASSERT_TRUE(form->catalogue().discCursor().append().ok());
    ASSERT_TRUE(WriteDiscRecord(form->catalogue()).ok());
    ASSERT_TRUE(form->catalogue().discCursor().post().ok());
    searchFor(QStringLiteral("Plan"));
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    ASSERT_EQ(searchTabs().size(), 1u);
    EXPECT_EQ(searchTabs()[0], tab);
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Planet Earth", "Lost Plans", "Plan B"}));

    // Elsewhere and back: the tab's rows again.
    browser().nodeClicked(node("資料"));
    EXPECT_EQ(browser().activeList(), w().listView2);
    browser().nodeClicked(tab);
    EXPECT_EQ(browser().activeList(), w().searchView);
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Planet Earth", "Lost Plans", "Plan B"}));

    // Another text makes a second tab; a cancelled dialog changes nothing.
    searchFor(QStringLiteral("moon"));
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    EXPECT_EQ(searchTabs().size(), 2u);
    whenDialogShown([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("x"));
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();
    });
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    EXPECT_EQ(searchTabs().size(), 2u);
}

TEST_F(SearchWindow, TheCategoryMenuSearchesTheSelectedCategoryAndItsRemarks)
{
    openForm();
    w().treeView1->selectNode(node("資料/Music"));
    whenDialogShown([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("plan"));
        dialog.findChild<QCheckBox*>(QStringLiteral("CheckBox2"))->setChecked(true);
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    form->designedAction(QStringLiteral("N21"))->trigger();
    // In Music only "Moon Tapes" holds the text, in its remark; the disc of a category that is not
    // loaded is in every scope.
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Moon Tapes", "Lost Plans"}));
}

TEST_F(SearchWindow, TheToolbarSearchRunsOnlyInCategoryMode)
{
    openForm();
    browser().showMachineMode();
    bool asked = false;
    tabs().setAskSearch([&asked] {
        asked = true;
        return SearchDialogAnswer{};
    });
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    EXPECT_FALSE(asked);
    browser().showCategoryMode();
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    EXPECT_TRUE(asked);
}

TEST_F(SearchWindow, TheBarcodeSearchMovesTheFirstMatchingDiscToTheDoor)
{
    openForm();
    sim.clearLog();
    searchFor(QStringLiteral("bc-200"), true);
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    // Code 14 takes the arm's disc down, then 12 and the slot move it.
    EXPECT_TRUE(contains(sim.indicesSent(kDrive), {14, 17, 12, 3}))
        << ::testing::PrintToString(sim.indicesSent(kDrive));
    EXPECT_TRUE(sim.indicesSent(kPlain).empty());
    EXPECT_TRUE(searchTabs().empty()) << "a barcode search makes no tab";

    // Two discs match: the first in table order moves.
    sim.clearLog();
    searchFor(QStringLiteral("BC-100"), true);
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    EXPECT_TRUE(contains(sim.indicesSent(kPlain), {12, 8}));
    EXPECT_FALSE(contains(sim.indicesSent(kPlain), {12, 2}));

    sim.clearLog();
    person.boxes.clear();
    searchFor(QStringLiteral("nothing"), true);
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Not Find");
    EXPECT_TRUE(sim.log().empty());
}

TEST_F(SearchWindow, ABarcodeHitIsSelectedAndTheStatusBarSaysWhereItIs)
{
    openForm();
    const struct {
        const char* barcode;
        int machine, slot;
        ListView* list;
        const char* told;
    } cases[] = {
        {"bc-200", kDrive, 3, w().listView2, "槽位 3 (Drive) 已在門口"},
        {"XX-9", kPlain, 9, w().listView4, "槽位 9 (Plain) 已在門口"}, // no node: its category is not loaded
    };
    for (const auto& c : cases) {
        clock.advance(60000);
        searchFor(QString::fromLatin1(c.barcode), true);
        form->designedAction(QStringLiteral("TBItem35"))->trigger();
        EXPECT_EQ(browser().activeList(), c.list) << c.barcode;
        ListItem* selected = c.list->selectedRow();
        ASSERT_NE(selected, nullptr) << c.barcode;
        EXPECT_EQ(selected->row().machine, c.machine);
        EXPECT_EQ(selected->row().slot, c.slot);
        EXPECT_EQ(status(0), "ID: " + std::to_string(c.machine));
        EXPECT_EQ(status(2), "SLOT : " + std::to_string(c.slot));
        EXPECT_EQ(status(3), c.told);
        EXPECT_EQ(form->catalogue().fileTree().slot, c.slot) << "the disc is shown";
    }
}

TEST_F(SearchWindow, ATabShowsADiscsNewTitleAfterARename)
{
    openForm();
    searchFor(QStringLiteral("Plan"));
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    TreeNode* tab = searchTabs().at(0);
    browser().nodeEdited(node("資料/Movies/Planet Earth"), QStringLiteral("Planet Ocean"));
    EXPECT_EQ(sorted(captions(w().searchView)), (std::vector<std::string>{"Lost Plans", "Planet Ocean"}));
    browser().nodeClicked(node("資料"));
    browser().nodeClicked(tab);
    EXPECT_EQ(sorted(captions(w().searchView)), (std::vector<std::string>{"Lost Plans", "Planet Ocean"}));
}

TEST_F(SearchWindow, ARemovedDiscLeavesTheTabsRows)
{
    openForm();
    searchFor(QStringLiteral("Plan"));
    form->designedAction(QStringLiteral("TBItem35"))->trigger();
    TreeNode* tab = searchTabs().at(0);
    ASSERT_EQ(w().searchView->rowCount(), 2);
    w().searchView->selectRow(w().searchView->rowAt(0)); // Planet Earth
    person.boxAnswers.push_back(BoxAnswer::Ok);
    browser().removeListRow(w().searchView);
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Lost Plans"}));
    browser().nodeClicked(node("資料"));
    browser().nodeClicked(tab);
    EXPECT_EQ(captions(w().searchView), (std::vector<std::string>{"Lost Plans"}));
}
