#include "changer/DeviceMonitor.h"

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
// USBCDGetDriveCD reads the "B" of a "BUSY" reply as the number 66.
constexpr int kBusyReply = 66;
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
    ctx.deviceMonitor->stop();
    const int result = ctx.torvex.USBCDchanged();
    const std::string time = FormatClockTime(ToLocalDateTime(ctx.wallNow()));
    ctx.display.setStatusText(0, time + " Device Check " + std::to_string(result));
    if (result != 0) {
        // 8 for a change, 3 when the device list cannot be read: both rescan.
        ctx.display.setStatusText(0, time + " Device Change " + std::to_string(result));
        (void)RescanMachines(ctx);
        ctx.deviceMonitor->setInterval(kMonitorAfterChangeMs);
    } else {
        ctx.deviceMonitor->setInterval(kMonitorQuietMs);
    }
    ctx.deviceMonitor->start();
}

void DriveCheckTick(ChangerContext& ctx)
{
    const int machine = ctx.CurrentMachine;
    ctx.clock.sleep(500);
    ctx.driveCheck->stop();
    ctx.clock.sleep(100);
    const std::string checking = ctx.text("5011", "Checking") + " " + std::to_string(machine);
    ctx.clock.sleep(500);
    ctx.display.setStateLabel(checking);
    ctx.clock.sleep(500);

    ctx.DriveSlot = ctx.torvex.USBCDGetDriveCD(machine);
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
    auto showSlot = [&](int count) {
        ctx.display.setStateLabel(slotWord + " " + std::to_string(ctx.DriveSlot) + " " + inDrive);
        ctx.display.setDriveButtonsEnabled(true);
        ctx.DriveCheckCount = count;
        ctx.deviceMonitor->start();
    };

    if (ctx.DriveSlot == 0) {
        // A failed request reads as 0 too; only a machine that still answers has an empty drive.
        const int status = ctx.torvex.USBCDGetStatus(machine);
        if (status == USBCD_NO_DEVICE || status == USBCD_FAIL) {
            unknown(status);
            return;
        }
        ctx.display.setStateLabel(ctx.text("5003", "No Disc") + " " + inDrive);
        // Every third empty reading in a row resets the count; monitoring goes on either way,
        // since nothing else would start it again until the next drive action.
        ctx.DriveCheckCount = ctx.DriveCheckCount > 1 ? 0 : ctx.DriveCheckCount + 1;
        ctx.deviceMonitor->start();
        return;
    }
    const bool inRange = ctx.DriveSlot <= LastSlotOf(ctx, machine);
    // The first letters of the other replies ("+BUSY", "ACK", "ERROR") are slots only when the
    // machine says it is idle.
    const bool replyLetter = ctx.DriveSlot == '+' || ctx.DriveSlot == 'A' || ctx.DriveSlot == 'E';
    if (inRange && replyLetter && Acknowledged(ctx.torvex.USBCDGetStatus(machine))) {
        showSlot(1);
        return;
    }
    if (!inRange || replyLetter || ctx.DriveSlot == kBusyReply) {
        ++ctx.DriveCheckCount;
        if (ctx.DriveCheckCount <= kMaxBusyChecks) {
            ctx.driveCheck->start();
            return;
        }
        // Still no slot after ten checks: 66 is slot 66 when the machine says it is idle; a
        // machine that stays busy or answers nonsense is not shown as holding a disc.
        const int status = inRange ? ctx.torvex.USBCDGetStatus(machine) : USBCD_FAIL;
        if (!Acknowledged(status)) {
            unknown(status);
            return;
        }
        showSlot(0);
        return;
    }
    showSlot(1);
}

} // namespace kavro
