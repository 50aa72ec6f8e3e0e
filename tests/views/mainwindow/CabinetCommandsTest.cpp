// Catalogue Cabinet and Slot Map from the main window's function menu: only cabinets with a
// drive are offered, a run cut short is offered for continuation, and the slot map of the
// machine bar's cabinet selects a disc in the window and presents it at the door.
#include "views/mainwindow/MainFormFixture.h"

#include "views/dialogs/TfrmCatalogueCabinet.h"
#include "views/dialogs/TfrmSlotMap.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>

namespace kavro::test {
namespace {

class CabinetCommands : public MainFormFixture {
protected:
    // Triggers a menu entry and hands the modal window of type T it opens to `work`.
    template <class T> bool withWindow(const char* entry, const std::function<void(T&)>& work)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (window == nullptr)
                return;
            seen = true;
            work(*window);
            if (window->isVisible())
                static_cast<QDialog*>(window)->reject();
        });
        QAction* action = form->designedAction(QString::fromLatin1(entry));
        EXPECT_NE(action, nullptr) << entry;
        if (action)
            action->trigger();
        return seen;
    }
};

TEST_F(CabinetCommands, TheMenuOpensTheRunOfADriveCabinetAndItsSlotMap)
{
    writeCategories("A,1\r\n");
    addCabinet(kDrive, "KZ350VN");
    registerMachine(kDrive, "Front", "KZ350VN");
    addCabinet(kPlain, "1234567X");
    registerMachine(kPlain, "Plain", "1234567X");
    addDisc(kDrive, 3, "Taxes 2023", 1);
    addDisc(kPlain, 3, "Elsewhere", 1);
    // A run of the drive cabinet cut short after its first slot.
    dir.write("Data/CabinetRun.log", "run 2024-03-05 12:00:00 machine=" + std::to_string(kDrive) +
                                         " slots=1-4 existing=skip titles=0 category=1 different=0\n"
                                         "load 1\nreturn 1\nslot 1 empty |  | \n");
    openForm();
    form->resize(1600, 700); // wide enough for the machine bar's captions
    showForm();
    // The machine bar offers both as well.
    auto* bar = form->findChild<QToolBar*>(QStringLiteral("TB_DVDRW"));
    ASSERT_NE(bar, nullptr);
    for (const char* entry : {"N_catalogue_cabinet", "N_slot_map"}) {
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(form->designedAction(QString::fromLatin1(entry))));
        ASSERT_NE(button, nullptr) << entry;
        EXPECT_NE(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << entry; // its caption shows
    }

    const bool ran =
        withWindow<TfrmCatalogueCabinet>("N_catalogue_cabinet", [](TfrmCatalogueCabinet& window) {
            auto* machines = window.findChild<QComboBox*>(QStringLiteral("ComboBox_CabinetMachine"));
            ASSERT_NE(machines, nullptr);
            ASSERT_EQ(machines->count(), 1) << "only cabinets with a drive";
            EXPECT_EQ(machines->itemText(0).toStdString(), "Front");
            EXPECT_EQ(window.slotsEdit()->text().toStdString(), "1-4");
            EXPECT_EQ(window.startButton()->text().toStdString(), "Continue");
            ASSERT_EQ(window.results()->topLevelItemCount(), 1);
            EXPECT_EQ(window.results()->topLevelItem(0)->text(1).toStdString(), "empty");
        });
    EXPECT_TRUE(ran);

    const bool mapped = withWindow<TfrmSlotMap>("N_slot_map", [&](TfrmSlotMap& window) {
        EXPECT_EQ(window.windowTitle().toStdString(), "Slot Map - Front");
        ASSERT_NE(window.slotButton(100), nullptr);
        EXPECT_EQ(window.slotButton(101), nullptr);
        EXPECT_NE(window.slotButton(3)->toolTip().toStdString().find("Taxes 2023"), std::string::npos);
        // A click selects the disc in the main window.
        QTest::mouseClick(window.slotButton(3), Qt::LeftButton);
        EXPECT_EQ(status(2), "SLOT : 3");
        // A double click presents it at the door.
        QTest::mouseDClick(window.slotButton(3), Qt::LeftButton);
        clock.advance(30'000);
        EXPECT_EQ(sim.state(0).doorSlot, 3);
    });
    EXPECT_TRUE(mapped);
}

} // namespace
} // namespace kavro::test
