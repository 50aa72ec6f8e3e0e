#include "changer/DriveFlows.h"

#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DeviceMonitor.h"
#include "changer/MachineRegistry.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"

#include "torvex/torvex.h"

#include <charconv>

namespace kavro {

namespace {

constexpr int kRetryWaitMs = 1000;
constexpr int kSlotBoxLast = 100;

// CheckReady, and when that is not ready, a second one a second later.
int readyAfterRetry(ChangerContext& ctx, int machine)
{
    const int first = CheckReady(ctx, machine);
    if (first == 0)
        return 0;
    ctx.clock.sleep(kRetryWaitMs);
    return CheckReady(ctx, machine);
}

// A drive reading that names no slot the machine can have: the first letter of a reply such as
// "+BUSY" read as a number, or an answer out of range.
bool plausibleDriveSlot(const ChangerContext& ctx, int machine, int value)
{
    return value >= 0 && value <= LastSlotOf(ctx, machine);
}

// The drive's state could not be read: the label says the drive is being checked rather than
// claiming a disc or an empty drive.
void showDriveUnknown(ChangerContext& ctx, int machine)
{
    ctx.display.setStateLabel(ctx.text("5011", "Checking") + " " + std::to_string(machine));
    ctx.display.setDriveButtonsEnabled(false);
}

void showDriveSlot(ChangerContext& ctx)
{
    const std::string inDrive = ctx.text("5004", "in the drive");
    if (ctx.DriveSlot != 0) {
        ctx.display.setStateLabel(ctx.text("0003", "Slot") + " " + std::to_string(ctx.DriveSlot) + " " +
                                  inDrive);
        ctx.display.setDriveButtonsEnabled(true);
    } else {
        ctx.display.setStateLabel(ctx.text("5003", "No Disc") + " " + inDrive);
        ctx.display.setDriveButtonsEnabled(false);
    }
}

void eject(ChangerContext& ctx, int machine, int ready)
{
    if (ready == 1) {
        ShowNotConnected(ctx, machine);
        // No drive check follows to start monitoring again.
        ctx.deviceMonitor->start();
        return;
    }
    const int result = EjectDrive(ctx, machine);
    // A machine that vanished is told as such; busy and error results are on the status bar.
    if (result == USBCD_NO_DEVICE || result == USBCD_FAIL)
        ShowNotConnectedMessage(ctx);
}

} // namespace

int LastSlotOf(const ChangerContext& ctx, int machine)
{
    return IsDriveMachine(ctx, machine) ? 100 : 150;
}

bool IsDriveMachine(const ChangerContext& ctx, int machine)
{
    return ctx.machines.find(machine) != nullptr && ctx.machines.MachineModel(machine) == ctx.DefaultModel;
}

void ShowDiscInDrive(ChangerContext& ctx, int slot)
{
    ctx.person.messageBox(ctx.text("5009", "Disk in the drive") + " :" + std::to_string(slot) + " \r\n",
                          ctx.messageCaption, BoxIcon::None, BoxButtons::Ok);
}

void ShowDriveState(ChangerContext& ctx)
{
    if (ctx.display.machineNames().empty())
        return;
    const int machine = ctx.machines.MachineByName(ctx.display.machineNameText());
    if (machine == 0)
        return;
    const int down = ctx.torvex.USBCDGetCDDown(machine);
    ctx.DriveSlot = ctx.torvex.USBCDGetDriveCD(machine);
    // A machine that did not take code 14 (gone, busy, erring) answers the drive question with a
    // failure read as 0 or with the first letter of its reply: neither is the drive's state.
    if (!Acknowledged(down) || !plausibleDriveSlot(ctx, machine, ctx.DriveSlot)) {
        ctx.DriveSlot = 0;
        showDriveUnknown(ctx, machine);
        return;
    }
    showDriveSlot(ctx);
}

void LoadToDrive(ChangerContext& ctx)
{
    ctx.deviceMonitor->stop();
    const int machine = ctx.CurrentMachine;
    const int slot = ctx.CurrentSlot;
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    if (slot == 0) {
        // Nothing was sent, so no drive check will start monitoring again.
        ctx.deviceMonitor->start();
        return;
    }
    try {
        const int ready = readyAfterRetry(ctx, machine);
        if (ready == 1) {
            ShowNotConnected(ctx, machine);
            ctx.deviceMonitor->start();
            return;
        }
        ctx.torvex.USBCDGetCDDown(machine);
        ctx.display.setStateLabel("Check Load Slot " + std::to_string(slot) + " ");
        ctx.DriveSlot = ctx.torvex.USBCDGetDriveCD(machine);
        int result = ready;
        if (ctx.DriveSlot == slot) {
            ShowDiscInDrive(ctx, slot);
        } else {
            result = ctx.torvex.USBCDMovetoDrive(machine, slot);
            ctx.display.setStateLabel(ctx.text("5011", "Checking") + " " + ctx.text("0003", "Slot") + " " +
                                      std::to_string(slot) + " ");
        }
        ctx.driveCheck->start();
        ShowDeviceStatus(ctx, result);
        // The status text alone is easy to miss when the machine has gone; "+BUSY" has no
        // status text of its own.
        if (result == USBCD_NO_DEVICE || result == USBCD_FAIL)
            ShowNotConnectedMessage(ctx);
        else if (result == USBCD_PLUS_BUSY)
            ctx.display.setStatusText(0, "Device status BUSY");
    } catch (...) {
        // A fault of the load ends it; the drive check reports the drive as it is.
        ctx.driveCheck->start();
    }
    ctx.clock.sleep(kRetryWaitMs);
}

void EjectFromDrive(ChangerContext& ctx)
{
    ctx.deviceMonitor->stop();
    const int machine = ctx.CurrentMachine;
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    eject(ctx, machine, readyAfterRetry(ctx, machine));
}

void EjectFromDriveButton(ChangerContext& ctx)
{
    const int machine = ctx.machines.MachineByName(ctx.display.machineNameText());
    ctx.deviceMonitor->stop();
    eject(ctx, machine, readyAfterRetry(ctx, machine));
}

void ExplorerAction(ChangerContext& ctx)
{
    const int machine = ctx.CurrentMachine;
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    if (ctx.openLocation)
        ctx.openLocation(ctx.driveFolder ? ctx.driveFolder(machine) : std::string());
    ctx.torvex.InitUSBKavro();
    const int count = ctx.torvex.GetDeviceNumber();
    if (count != ctx.KnownMachineCount)
        (void)RescanMachines(ctx);
    ctx.display.setStatusText(0, "Device:" + std::to_string(count));
}

void ChooseSlotBoxText(ChangerContext& ctx, std::string_view text)
{
    const std::string t = text::trimBlanks(text);
    int slot = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), slot);
    const bool whole = ec == std::errc() && end == t.data() + t.size() && !t.empty();
    if (whole && slot >= 1 && slot <= kSlotBoxLast) {
        ctx.CurrentSlot = slot;
        return;
    }
    ctx.display.setSlotBoxText("1");
}

void SelectDiscRow(ChangerContext& ctx, int machine, int slot, bool driveRow)
{
    ctx.CurrentMachine = machine;
    ctx.CurrentSlot = driveRow ? slot : 0;
    ctx.display.setDriveEntriesShown(driveRow);
}

void ClickListView5Row(ChangerContext& ctx, int machine, int slot)
{
    ctx.CurrentMachine = machine;
    ctx.CurrentSlot = slot;
}

} // namespace kavro
