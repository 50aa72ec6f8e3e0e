#include "changer/DeviceMonitor.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/ChangerTime.h"
#include "changer/DriveFlows.h"
#include "changer/MachineRegistry.h"
#include "platform/Clock.h"

#include "torvex/torvex.h"

namespace kavro {

namespace {

constexpr int kMonitorFirstMs = 3000;
constexpr int kMonitorAfterChangeMs = 3000;
constexpr int kMonitorQuietMs = 1000;
constexpr int kDriveCheckMs = 20000;
constexpr int kMaxBusyChecks = 10;

} // namespace

void StartChangerTimers(ChangerContext& ctx)
{
    ctx.deviceMonitor->setInterval(kMonitorFirstMs);
    ctx.deviceMonitor->start();
    ctx.driveCheck->setInterval(kDriveCheckMs);
    ctx.driveCheck->start();
}

void ShowDeviceStatus(ChangerContext& ctx, int result)
{
    switch (result) {
    case USBCD_OK:
        ctx.display.setStatusText(0, "Device status OK");
        break;
    case USBCD_NO_DEVICE:
        ctx.display.setStatusText(0, "Device status ERROR");
        break;
    case USBCD_BUSY:
        ctx.display.setStatusText(0, "Device status BUSY");
        break;
    case USBCD_FAIL:
        ctx.display.setStatusText(0, "Device status UnKnowError");
        ctx.torvex.USBCDReset(ctx.CurrentMachine);
        break;
    default:
        break;
    }
}

void DeviceMonitorTick(ChangerContext& ctx)
{
    // A tick that fires inside a wait of a flow (a move, a rescan's name prompt) leaves the
    // machines alone: re-listing them would change the table under the flow.
    if (ctx.rescanRunning || ctx.cabinetWork > 0)
        return;
    ctx.deviceMonitor->stop();
    const int result = ctx.torvex.USBCDchanged();
    const std::string time = FormatClockTime(ToLocalDateTime(ctx.wallNow()));
    ctx.display.setStatusText(0, time + " Device Check " + std::to_string(result));
    if (result != 0) {
        // 8 for a change, 3 when the device list cannot be read: both rescan.
        ctx.display.setStatusText(0, time + " Device Change " + std::to_string(result));
        (void)RescanMachines(ctx);
        ReportUnopenedCabinets(ctx);
        ctx.deviceMonitor->setInterval(kMonitorAfterChangeMs);
    } else {
        ctx.deviceMonitor->setInterval(kMonitorQuietMs);
    }
    ctx.deviceMonitor->start();
}

void ReportUnopenedCabinets(ChangerContext& ctx)
{
    if (!ctx.unopenedCabinets)
        return;
    for (const std::string& line : ctx.unopenedCabinets()) {
        if (!ctx.reportedUnopened.insert(line).second)
            continue;
        ctx.display.setStatusText(0, line);
        if (ctx.log)
            ctx.log(line);
    }
}

void DriveCheckTick(ChangerContext& ctx)
{
    if (ctx.rescanRunning || ctx.cabinetWork > 0)
        return;
    const int machine = ctx.CurrentMachine;
    ctx.clock.sleep(500);
    ctx.driveCheck->stop();
    ctx.clock.sleep(100);
    const std::string checking = ctx.text("5011", "Checking") + " " + std::to_string(machine);
    ctx.clock.sleep(500);
    ctx.display.setStateLabel(checking);
    ctx.clock.sleep(500);
    ctx.display.setDriveButtonsEnabled(false);

    const std::string slotWord = ctx.text("0003", "Slot");
    const std::string inDrive = ctx.text("5004", "in the drive");
    // The drive's state is not known: "Checking" and the id stay on the label, the buttons stay
    // off, the status bar says why, and monitoring goes on (it notices a machine that left).
    auto unknown = [&](int status) {
        ctx.DriveSlot = 0;
        ctx.DriveCheckCount = 0;
        if (status == USBCD_BUSY || status == USBCD_PLUS_BUSY)
            ctx.display.setStatusText(0, "Device status BUSY");
        else
            ShowDeviceStatus(ctx, status);
        ctx.deviceMonitor->start();
    };

    // Only a machine that has stopped tells its drive's state: while it moves every answer is
    // "BUSY". A moving machine is asked again at the next check, up to ten times in a row.
    const int before = ctx.torvex.USBCDGetStatus(machine);
    if (before == USBCD_NO_DEVICE || before == USBCD_FAIL) {
        unknown(before);
        return;
    }
    int status = before;
    int slot = 0;
    if (Acknowledged(before)) {
        slot = ctx.torvex.USBCDGetDriveCD(machine);
        status = ctx.torvex.USBCDGetStatus(machine);
    }
    if (!Acknowledged(status)) {
        if (status == USBCD_NO_DEVICE || status == USBCD_FAIL || ++ctx.DriveCheckCount > kMaxBusyChecks) {
            unknown(status);
            return;
        }
        ctx.display.setStatusText(0, "Device status BUSY");
        ctx.driveCheck->start();
        return;
    }
    if (slot < 0 || slot > LastSlotOf(ctx, machine)) {
        // An idle machine naming a slot it does not have: nonsense, not a disc.
        unknown(USBCD_FAIL);
        return;
    }
    ctx.DriveSlot = slot;
    if (slot == 0) {
        ctx.display.setStateLabel(ctx.text("5003", "No Disc") + " " + inDrive);
        // Every third empty reading in a row resets the count; monitoring goes on either way,
        // since nothing else would start it again until the next drive action.
        ctx.DriveCheckCount = ctx.DriveCheckCount > 1 ? 0 : ctx.DriveCheckCount + 1;
        ctx.deviceMonitor->start();
        return;
    }
    ctx.display.setStateLabel(slotWord + " " + std::to_string(slot) + " " + inDrive);
    ctx.display.setDriveButtonsEnabled(true);
    ctx.DriveCheckCount = 1;
    ctx.deviceMonitor->start();
}

} // namespace kavro
