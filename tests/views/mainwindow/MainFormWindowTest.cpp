// The main window as a whole: its layout, the machine bar, the timers, the drawn tabs, the
// test-cycle keys and a catalogue it cannot open.
#include "views/mainwindow/MainFormFixture.h"

#include "changer/ChangerContext.h"
#include "views/mainwindow/MachineBar.h"
#include "views/mainwindow/PageControl.h"
#include "views/mainwindow/WindowTimer.h"

#include <QAction>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <algorithm>

using namespace kavro;
using kavro::test::MainFormFixture;
using kavro::test::TempDir;

namespace {

class MainFormWindow : public MainFormFixture {};

QStringList visibleToolbarItems(QToolBar* bar)
{
    QStringList names;
    for (QAction* action : bar->actions()) {
        if (action->isVisible())
            names.append(action->menu() ? action->menu()->objectName() : action->objectName());
    }
    return names;
}

} // namespace

TEST_F(MainFormWindow, TheLayoutHasItsDesignedControlsInTheirPlaces)
{
    dir.write("Data/Kavro.ini", "[EXPLORER]\nWidth11=100\nWidth14=40\n");
    openForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Kavro 5.1 V1.023"));
    auto* toolbar = form->findChild<QToolBar*>(QStringLiteral("TBToolbar1"));
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(
        visibleToolbarItems(toolbar),
        (QStringList{QStringLiteral("TBItem15"), QStringLiteral("TBItem16"), QStringLiteral("TBItem31"),
                     QStringLiteral("TBItem32"), QStringLiteral("TBItem35"), QStringLiteral("TBItem30"),
                     QStringLiteral("TBItem37"), QStringLiteral("TBItem19"), QStringLiteral("TBSubmenuItem6"),
                     QStringLiteral("TBSubmenuItem7"), QStringLiteral("TBItem21")}));
    for (const char* name : {"ListView1", "ListView2", "ListView3", "ListView4", "ListView5", "SearchView",
                             "TreeView1", "TreeView2"})
        EXPECT_NE(form->findChild<QTreeWidget*>(QString::fromLatin1(name)), nullptr) << name;
    for (const char* name :
         {"RichEdit_Volume2", "RichEdit_Volume3", "RichEdit_Volume4", "StaticText3", "Image1", "Panel3",
          "TntEdit_Main", "TntBtn_Clear", "TntCB_RW_Name", "TntLab_RW_State", "TntBtn_Detail", "TntBtn_Eject",
          "TntBtn_Explorer", "TntBtn_Load", "ComboBox_Slot"})
        EXPECT_NE(form->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(w().image1->size(), QSize(180, 150));
    EXPECT_EQ(w().pageControl1->currentIndex(), 1) << "the data tab at start";
    EXPECT_EQ(w().pageControl1->tabText(0), QString::fromUtf8("圖片"));
    EXPECT_EQ(browser().activeList(), w().listView2);
    const int widths[] = {200, 140, 80, 50};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->statusPanel(i)->width(), widths[i]);
    // Column captions and widths as the settings give them.
    EXPECT_EQ(w().listView5->columnWidth(0), 140);
    EXPECT_EQ(w().searchView->columnWidth(0), 100);
    EXPECT_EQ(w().searchView->columnWidth(3), 80);
    EXPECT_EQ(w().listView3->columnWidth(3), 40);
    EXPECT_EQ(w().listView3->headerItem()->text(4), QString::fromUtf8("使用者"));
    // The drive entries of the menus sit at positions 8 to 10, hidden until a red row is chosen.
    EXPECT_EQ(w().popupMenuLv2->actions()[9]->objectName(), QStringLiteral("EjectRW"));
    EXPECT_FALSE(w().popupMenuSearch->actions()[10]->isVisible());
    EXPECT_FALSE(form->designedAction(QStringLiteral("N_closedoor"))->isVisible());
}

TEST_F(MainFormWindow, TheMachineBarShowsOnlyWithAMachineThatHasADrive)
{
    addCabinet(kPlain, "1234567-150");
    registerMachine(kPlain, "Plain", "1234567-150");
    openForm();
    EXPECT_FALSE(w().machineBar->isVisibleTo(form.get()));
    EXPECT_EQ(form->changer().DriveMachineCount, 0);
}

TEST_F(MainFormWindow, ANewMachineWithADriveIsNamedAndShownOnTheMachineBar)
{
    addCabinet(kDrive, "KZ350VN");
    person.inputAnswers.push_back(std::string("Front"));
    openForm();
    ASSERT_EQ(person.inputs.size(), 1u) << "the rescan asked the new machine's name";
    EXPECT_EQ(form->changer().DriveMachineCount, 1);
    EXPECT_TRUE(w().machineBar->isVisibleTo(form.get()));
    EXPECT_EQ(w().machineBar->machineNameBox()->currentText(), QStringLiteral("Front"));
    EXPECT_EQ(w().machineBar->stateLabel()->text(), QStringLiteral("Checking"));

    // Picking the machine in the box reads its drive.
    sim.clearLog();
    emit w().machineBar->machineNameChosen(QStringLiteral("Front"));
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 18, 17}));
    EXPECT_EQ(w().machineBar->stateLabel()->text(), QStringLiteral("No Disc in the drive"));
    EXPECT_FALSE(w().machineBar->ejectButton()->isEnabled());
    EXPECT_FALSE(w().machineBar->detailButton()->isEnabled());
}

TEST_F(MainFormWindow, TheDeviceTimersRunWithTheWindow)
{
    openForm();
    auto* monitor = form->findChild<QTimer*>(QStringLiteral("Timer_CheckDevice"));
    auto* driveCheck = form->findChild<QTimer*>(QStringLiteral("Timer_CheckCD"));
    ASSERT_TRUE(monitor && driveCheck);
    EXPECT_TRUE(monitor->isActive());
    EXPECT_EQ(monitor->interval(), 3000);
    EXPECT_TRUE(driveCheck->isActive());
    EXPECT_EQ(driveCheck->interval(), 20000);

    // A tick with nothing changed on the bus: the time and "Device Check 0", next in a second.
    form->findChild<WindowTimer*>(QStringLiteral("Timer_CheckDevice"))->fire();
    const std::string panel = status(0);
    EXPECT_EQ(panel.size(), std::string("12:34:56 Device Check 0").size()) << panel;
    EXPECT_NE(panel.find(" Device Check 0"), std::string::npos);
    EXPECT_EQ(monitor->interval(), 1000);
    EXPECT_TRUE(monitor->isActive());

    form->close();
    EXPECT_FALSE(monitor->isActive()) << "the timers stop with the window";
}

TEST_F(MainFormWindow, TheTestCycleKeysArmStartAndStopTheCycle)
{
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Drive", "KZ350VN");
    openForm();
    showForm();
    ASSERT_EQ(form->changer().CurrentMachine, kDrive);
    QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(status(3), "Wait ");
    int pumps = 0;
    clock.onProcessEvents = [&] {
        // The chord again, while the cycle runs, stops it.
        if (++pumps == 5)
            QTest::keyClick(form.get(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    };
    sim.clearLog();
    QTest::keyClick(w().listView2, Qt::Key_5);
    clock.onProcessEvents = nullptr;
    EXPECT_EQ(status(3), "Auto Check Stop");
    EXPECT_FALSE(form->changer().testRunning);
    const std::vector<int> sent = sim.indicesSent(kDrive);
    EXPECT_EQ(sent.front(), 11) << "a reset first";
    const std::vector<int> firstMove = {12, 2};
    EXPECT_NE(std::search(sent.begin(), sent.end(), firstMove.begin(), firstMove.end()), sent.end())
        << "the first move goes to slot 2";

    // Without arming, 1 and 5 are ordinary keys.
    sim.clearLog();
    QTest::keyClick(w().listView2, Qt::Key_1);
    EXPECT_TRUE(sim.indicesSent(kDrive).empty());
}

TEST_F(MainFormWindow, TabsAreDrawnGreyWithTheSelectedOneLighter)
{
    openForm();
    showForm();
    PageTabBar* bar = w().pageControl1->pageTabBar();
    QImage image(bar->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    bar->render(&image);
    const QRect selected = bar->tabRect(bar->currentIndex());
    const QRect other = bar->tabRect(0);
    // Inside the outline, away from the caption.
    EXPECT_EQ(QColor(image.pixel(selected.left() + 2, selected.bottom() - 2)), QColor(242, 242, 242));
    EXPECT_EQ(QColor(image.pixel(other.left() + 2, other.bottom() - 2)), QColor(226, 226, 226));
    EXPECT_EQ(QColor(image.pixel(other.left(), other.top() + other.height() / 2)), QColor(Qt::black));
}

TEST_F(MainFormWindow, ACatalogueThatIsNotSqliteEndsTheProgramUntouched)
{
    const std::string bytes = "Standard Jet DB: a catalogue of the older program, not SQLite";
    dir.write("KAVRO2.MDB", bytes);
    kavro::TMainForm failed(context);
    EXPECT_FALSE(failed.isReady());
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].caption, "Warnning!!!");
    EXPECT_NE(person.boxes[0].text.find("KAVRO2.MDB"), std::string::npos) << person.boxes[0].text;
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), bytes);
}

TEST_F(MainFormWindow, ClosingSavesTheListWidthsAndClosesTheLibrary)
{
    openForm();
    showForm();
    w().listView2->setColumnWidth(3, 133);
    w().listView3->setColumnWidth(3, 77);
    form->close();
    const std::string ini = TempDir::read(dir / "Data/Kavro.ini");
    EXPECT_NE(ini.find("Width15=133"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("Width14"), std::string::npos) << "the log's widths are not saved";
}
