#pragma once

#include "changer/ChangerContext.h"
#include "changer/SwapId.h"
#include "changer/TakeOutDialog.h"
#include "changer/TakeOutFlows.h"
#include "changer/TestCycle.h"
#include "cataloguing/CabinetRun.h"
#include "views/mainwindow/WindowTimer.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QMenu;
class QWidget;

namespace kavro {

struct AppContext;
class Catalogue;
struct MainFormWidgets;
class TorvexCalls;
class Drives;
class DiscTitleLookup;
class LibcdioTocReader;
class UDisksMounter;

// The main window's side of the changer control: it owns the changer context and the two
// window timers, shows the context's display data (status panels 0 and 3, the machine bar, the
// drive entries of the disc menus) and runs the changer flows for the window's entry points.
class ChangerControls : public QObject {
    Q_OBJECT
public:
    // Makers of the take-out and swap dialogs; an empty one makes the program's own (TfrmRetrieve,
    // TfrmSwapID) over the window. Tests give scripted ones.
    struct Dialogs {
        std::function<std::unique_ptr<TakeOutDialog>()> takeOut;
        std::function<std::unique_ptr<SwapIdDialog>()> swapId;
    };

    // window: the main window, over which the dialogs open.
    ChangerControls(Catalogue& catalogue, TorvexCalls& calls, AppContext& app, MainFormWidgets& widgets,
                    QWidget* window);
    ~ChangerControls() override;

    ChangerContext& context() { return m_ctx; }
    WindowTimer& deviceMonitorTimer() { return m_deviceMonitor; }
    WindowTimer& driveCheckTimer() { return m_driveCheck; }
    void setDialogs(Dialogs dialogs) { m_dialogs = std::move(dialogs); }

    // Window creation, before the disc nodes: the library opened and the registry loaded.
    void openAndLoadRegistry();
    // Window creation, last step: the machines found are reconciled with the registry; then the
    // timers start.
    void rescanAndStartTimers();
    // Window close: the timers stop and a running test cycle ends.
    void stop();

    // The machine's name; its number when it is not registered.
    std::string machineName(int machine) const;
    // Whether a disc's rows are marked as a disc of a machine with a built-in drive.
    bool isDriveMachineDisc(int machine, const std::string& deviceType) const;

    // Entry points.
    void takeOut(int machine, int slot, const std::string& title, TakeOutSource source);
    void selectRow(int machine, int slot, bool driveRow);
    void clickMachineRow(int machine, int slot);
    // Double click with DblClick 0: the door left open closes, this machine's door opens.
    void doorAction(int machine, int slot);
    // The slot comes to the door (the slot map's double click), as Find files presents a disc.
    void presentAtDoor(int machine, int slot);
    // Double click with DblClick set, on a disc node: waits for the machine to be ready.
    void awaitReady(int machine);
    void loadToDrive();
    void ejectFromMenu();
    void testCycleKey(TestCycleKey key);
    // The function menu and the swap: connected by the window to its designed entries.
    void powerOnAll();
    void powerOffAll();
    void resetAll();
    void closeDoor();
    void swapId();
    // "Catalogue Cabinet" (drive cabinets only) and "Slot Map" of the function menu.
    void catalogueCabinet();
    void showSlotMap();
    // At start: a cataloguing run cut short is offered for continuation, and a disc it may have
    // left in the drive to be returned.
    void offerUnfinishedRun();

    // Whether a cabinet command is under way; meanwhile the window starts no other.
    bool cabinetBusy() const { return m_ctx.cabinetWork > 0; }

signals:
    // The machine numbers of the catalogue changed; the program must start again.
    void restartRequested();
    // A cataloguing run wrote disc rows: the trees and lists show them anew.
    void discsWritten();
    // The slot map's click: show this disc; its double click: present it at the door.
    void slotChosen(int machine, int slot);

protected:
    // While a cabinet moves, the window's clicks and keys are dropped: a flow waits inside the
    // event loop, and a second command must not start under it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showDisplay(ChangerDisplay::Part part);
    void connectMachineBar();
    std::unique_ptr<TakeOutDialog> makeTakeOutDialog();
    // Opens a folder in the file manager; "" opens the computer's drives.
    void openLocation(const std::string& folder);
    std::string driveFolder() const;
    CabinetRunServices cabinetRunServices();
    Drives drives() const;

    AppContext& m_app;
    MainFormWidgets& m_widgets;
    QWidget* m_window;
    WindowTimer m_deviceMonitor;
    WindowTimer m_driveCheck;
    ChangerContext m_ctx;
    Dialogs m_dialogs;
    std::array<std::string, 4> m_shownStatus{};
    std::unique_ptr<LibcdioTocReader> m_tocReader;
    std::unique_ptr<DiscTitleLookup> m_titles;
    std::unique_ptr<UDisksMounter> m_mounter;
};

} // namespace kavro
