// The main window's other entry points: double clicks on tree nodes, the drive entries of the
// row menus, the machine bar's buttons, the toolbar's delete, drops delivered as drag events,
// and a language switch.
#include "views/mainwindow/MainFormFixture.h"

#include "changer/ChangerContext.h"
#include "views/mainwindow/MachineBar.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace kavro;
using kavro::test::MainFormFixture;

namespace {

class ChangerEntry : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\n\tJazz,3\r\nMovies,2\r\n");
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
            if (list->rowAt(i)->row().machine == machine && list->rowAt(i)->row().slot == slot)
                return list->rowAt(i);
        }
        return nullptr;
    }

    static bool contains(const std::vector<int>& v, const std::vector<int>& run)
    {
        return std::search(v.begin(), v.end(), run.begin(), run.end()) != v.end();
    }

    // Drags the payload over a node of TreeView1 and drops it there, as Qt delivers a drag.
    bool dragOnto(const DragPayload& payload, const TreeNode* target)
    {
        NavigationTree* tree = w().treeView1;
        QTreeWidgetItem* item = tree->itemOf(target);
        tree->scrollToItem(item);
        const QPointF at = tree->visualItemRect(item).center();
        std::unique_ptr<QMimeData> data(payload.toMimeData());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(tree->viewport(), &drop);
        EXPECT_EQ(drop.dropAction(), Qt::CopyAction) << "nothing is taken from the source by the drag";
        QCoreApplication::processEvents(); // the drop is handled once the drag has ended
        return drop.isAccepted();
    }
};

} // namespace

TEST_F(ChangerEntry, ADoubleClickOnADiscNodeWaitsForTheMachineOrOpensTheDoor)
{
    openForm();
    TreeNode* disc = node("資料/Music/Plain disc");
    browser().nodeDoubleClicked(disc);
    EXPECT_EQ(sim.indicesSent(kPlain), (std::vector<int>{17})) << "DblClick 1: readiness only";

    context.settings->writeInt("System", "DblClick", 0);
    sim.clearLog();
    browser().nodeDoubleClicked(disc);
    EXPECT_EQ(sim.indicesSent(kPlain), (std::vector<int>{17, 14}));
    EXPECT_EQ(form->changer().DoorMachine, kPlain);

    sim.clearLog();
    browser().nodeDoubleClicked(node("資料/Music"));
    EXPECT_TRUE(sim.log().empty()) << "other nodes do nothing";
}

TEST_F(ChangerEntry, TheLoadAndEjectEntriesWorkOnTheSelectedRedRow)
{
    openForm();
    browser().nodeClicked(node("資料"));
    w().listView2->selectRow(rowOf(w().listView2, kDrive, 3));
    sim.clearLog();
    form->designedAction(QStringLiteral("LoadRW"))->trigger();
    EXPECT_TRUE(contains(sim.indicesSent(kDrive), {19, 3}))
        << ::testing::PrintToString(sim.indicesSent(kDrive));
    EXPECT_TRUE(form->findChild<QTimer*>(QStringLiteral("Timer_CheckCD"))->isActive());

    sim.clearLog();
    form->designedAction(QStringLiteral("EjectRWs"))->trigger();
    EXPECT_TRUE(contains(sim.indicesSent(kDrive), {14, 17, 20}))
        << ::testing::PrintToString(sim.indicesSent(kDrive));

    // A row of a machine without a drive leaves no slot to load.
    w().listView2->selectRow(rowOf(w().listView2, kPlain, 8));
    sim.clearLog();
    form->designedAction(QStringLiteral("LoadRW"))->trigger();
    EXPECT_TRUE(sim.log().empty());
}

TEST_F(ChangerEntry, TheExplorerButtonOpensTheDrivesAndCountsTheMachinesAgain)
{
    openForm();
    std::vector<std::string> opened;
    form->changer().openLocation = [&](const std::string& folder) { opened.push_back(folder); };
    QTest::mouseClick(w().machineBar->explorerButton(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "") << "no drive letter is mapped: the computer's drives";
    EXPECT_EQ(status(0), "Device:2");
}

TEST_F(ChangerEntry, TheToolbarDeleteActsOnWhatHasTheFocus)
{
    openForm();
    showForm();
    browser().nodeClicked(node("資料"));
    ListView* list = w().listView2;
    list->selectRow(rowOf(list, kPlain, 2));
    list->setFocus();
    person.boxAnswers.push_back(BoxAnswer::Ok);
    form->designedAction(QStringLiteral("TBItem37"))->trigger();
    EXPECT_EQ(rowOf(list, kPlain, 2), nullptr);
    EXPECT_TRUE(rows("SELECT Slot FROM KAVRO WHERE Slot=2").empty());

    // With the tree focused, the selected category goes (after asking).
    w().treeView1->setFocus();
    w().treeView1->selectNode(node("資料/Movies"));
    person.boxAnswers.push_back(BoxAnswer::Cancel);
    form->designedAction(QStringLiteral("TBItem37"))->trigger();
    EXPECT_NE(node("資料/Movies"), nullptr) << "cancelled";
    EXPECT_EQ(person.boxes.back().text.rfind("確定刪除此分類內所有資料嗎？", 0), 0u) << person.boxes.back().text;
}

TEST_F(ChangerEntry, DropsArriveAsDragEventsAndAreCheckedOnTheWay)
{
    openForm();
    showForm();
    browser().nodeClicked(node("資料/Music"));
    DragPayload disc;
    disc.source = DragSource::CategoryList;
    disc.items.push_back({false, -1, kPlain, 8});
    EXPECT_FALSE(dragOnto(disc, node("資料"))) << "a disc is not dropped on CategoryRoot";
    EXPECT_FALSE(dragOnto(disc, node("搜尋")));
    ASSERT_TRUE(dragOnto(disc, node("資料/Movies")));
    EXPECT_EQ(form->catalogue().categoryTree().findDisc(kPlain, 8)->parent(), node("資料/Movies"));
    EXPECT_EQ(rowOf(w().listView2, kPlain, 8), nullptr) << "the dragged row left its list";

    // A drag from the tree itself carries the node.
    w().treeView1->setEnabled(true);
    DragPayload jazz;
    jazz.source = DragSource::CategoryTree;
    jazz.items.push_back({true, node("資料/Music/Jazz")->entry, 0, 0});
    ASSERT_TRUE(dragOnto(jazz, node("資料/Movies")));
    EXPECT_NE(node("資料/Movies/Jazz"), nullptr);

    // Something that is not one of ours is not taken.
    NavigationTree* tree = w().treeView1;
    QMimeData text;
    text.setText(QStringLiteral("hello"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(ChangerEntry, ALanguageSwitchRelabelsTheRootsAndTheColumns)
{
    openForm();
    ASSERT_TRUE(context.language.load(
        dir.write("Language/language.eng", "English\n1049=Data\n1051=Search\n1052=Log\n1037=Machine\n")));
    form->relabel();
    EXPECT_EQ(w().treeView1->topLevelItem(0)->text(0), QStringLiteral("Data"));
    EXPECT_EQ(w().treeView1->topLevelItem(2)->text(0), QStringLiteral("Log"));
    EXPECT_EQ(w().listView4->headerItem()->text(1), QStringLiteral("Machine"));
    EXPECT_EQ(w().listView5->headerItem()->text(1), QString::fromUtf8("槽位"));
}
