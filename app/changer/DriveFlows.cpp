#include "changer/DriveFlows.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DeviceMonitor.h"
#include "changer/MachineRegistry.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"

#include "torvex/torvex.h"

#include <charconv>
#include <optional>
#include <filesystem>
#include <string>
#include <system_error>

namespace kavro {

namespace {

constexpr int kRetryWaitMs = 1000;
constexpr int kSlotBoxLast = 100;

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

// The drive's state once the cabinet has finished what it was doing, on the machine bar.
void showSettledDrive(ChangerContext& ctx, int machine, const std::string& waiting)
{
    if (!IsDriveMachine(ctx, machine))
        return;
    if (const auto slot = ReadDriveSlot(ctx, machine, waiting)) {
        ctx.DriveSlot = *slot;
        showDriveSlot(ctx);
    } else {
        ctx.DriveSlot = 0;
        showDriveUnknown(ctx, machine);
    }
}

void eject(ChangerContext& ctx, int machine, int ready)
{
    if (ready == 1 || ready == 2) {
        // The drive's state is not known now; no drive check follows to start monitoring again.
        showDriveUnknown(ctx, machine);
        if (ready == 1)
            ShowNotConnected(ctx, machine);
        else
            ShowStillMoving(ctx, machine);
        ctx.deviceMonitor->start();
        return;
    }
    CabinetWork work(ctx);
    const int result = EjectDrive(ctx, machine);
    if (!Acknowledged(result))
        showDriveUnknown(ctx, machine);
    if (result == USBCD_NO_DEVICE || result == USBCD_FAIL) {
        ShowNotConnectedMessage(ctx);
        return;
    }
    if (!Acknowledged(result)) {
        ReportNotDone(ctx, machine, result);
        return;
    }
    // The disc goes back to its slot for some seconds; the bar tells the truth once it is there.
    ctx.display.setStateLabel(ctx.text("5011", "Checking") + " " + ctx.text("5006", "Eject"));
    showSettledDrive(ctx, machine, ReturningText(ctx));
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
    CabinetWork work(ctx);
    // Code 14 goes to a machine that has stopped; putting the arm's disc down moves it again, so
    // the drive is read once that is over. A machine that refuses 14 or never settles shows
    // "Checking" and its id, never a slot read from a busy reply.
    int down = WaitUntilIdle(ctx, machine, WaitingForText(ctx, machine));
    if (down == USBCD_OK)
        down = ctx.torvex.USBCDGetCDDown(machine);
    const auto slot = Acknowledged(down) ? ReadDriveSlot(ctx, machine) : std::nullopt;
    if (!slot) {
        ctx.DriveSlot = 0;
        showDriveUnknown(ctx, machine);
        return;
    }
    ctx.DriveSlot = *slot;
    showDriveSlot(ctx);
}

LoadOutcome LoadToDrive(ChangerContext& ctx)
{
    ctx.deviceMonitor->stop();
    const int machine = ctx.CurrentMachine;
    const int slot = ctx.CurrentSlot;
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    if (slot == 0) {
        // Nothing was sent, so no drive check will start monitoring again.
        ctx.deviceMonitor->start();
        return LoadOutcome::NoSlot;
    }
    CabinetWork work(ctx);
    LoadOutcome outcome = LoadOutcome::Told;
    try {
        const int ready = ReadyAfterWait(ctx, machine);
        if (ready == 1 || ready == 2) {
            showDriveUnknown(ctx, machine);
            if (ready == 1)
                ShowNotConnected(ctx, machine);
            else
                ShowStillMoving(ctx, machine);
            ctx.deviceMonitor->start();
            return LoadOutcome::Told;
        }
        ctx.torvex.USBCDGetCDDown(machine);
        ctx.display.setStateLabel("Check Load Slot " + std::to_string(slot) + " ");
        // The arm may be putting a disc back after 14: the drive is read once it has stopped.
        const auto inDrive = ReadDriveSlot(ctx, machine);
        if (!inDrive) {
            ctx.DriveSlot = 0;
            showDriveUnknown(ctx, machine);
            const int status = ctx.torvex.USBCDGetStatus(machine);
            if (status == USBCD_NO_DEVICE || status == USBCD_FAIL)
                ShowNotConnectedMessage(ctx);
            else
                ShowStillMoving(ctx, machine);
            ctx.driveCheck->start();
            return LoadOutcome::Told;
        }
        ctx.DriveSlot = *inDrive;
        int result = ready;
        if (ctx.DriveSlot == slot) {
            ShowDiscInDrive(ctx, slot);
        } else {
            ctx.display.setWaitText(LoadingText(ctx, slot));
            result = ctx.torvex.USBCDMovetoDrive(machine, slot);
            ctx.display.setStateLabel(ctx.text("5011", "Checking") + " " + ctx.text("0003", "Slot") + " " +
                                      std::to_string(slot) + " ");
        }
        ctx.driveCheck->start();
        ShowDeviceStatus(ctx, result);
        if (result == USBCD_NO_DEVICE || result == USBCD_FAIL) {
            ShowNotConnectedMessage(ctx);
        } else if (!Acknowledged(result)) {
            // Refused: busy, no such slot, an empty slot, a full drive.
            ReportNotDone(ctx, machine, result);
        } else {
            if (ctx.DriveSlot != slot) {
                // The load takes its time; the bar shows the drive once the cabinet has stopped.
                showSettledDrive(ctx, machine, LoadingText(ctx, slot));
            }
            outcome = ctx.DriveSlot == slot ? LoadOutcome::InDrive : LoadOutcome::NotSeen;
        }
    } catch (...) {
        // A fault of the load ends it; the drive check reports the drive as it is.
        ctx.driveCheck->start();
        outcome = LoadOutcome::NotSeen;
    }
    ctx.clock.sleep(kRetryWaitMs);
    return outcome;
}

namespace {

// The text with %1, %2, ... filled in.
std::string filled(std::string text, const std::vector<std::string>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string mark = "%" + std::to_string(i + 1);
        if (const auto at = text.find(mark); at != std::string::npos)
            text.replace(at, mark.size(), values[i]);
    }
    return text;
}

// A mounted disc shows at least one name; an empty mount folder is a drive still spinning up.
bool showsADisc(const std::filesystem::path& root)
{
    std::error_code ec;
    std::filesystem::directory_iterator it(root, ec);
    return !ec && it != std::filesystem::directory_iterator();
}

// The child folder of that name, or the one whose name differs only in case.
std::optional<std::filesystem::path> childFolder(const std::filesystem::path& at, const std::string& name)
{
    std::error_code ec;
    if (std::filesystem::is_directory(at / name, ec))
        return at / name;
    const std::string folded = text::upperAscii(name);
    for (std::filesystem::directory_iterator it(at, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_directory(ec) && text::upperAscii(it->path().filename().string()) == folded)
            return it->path();
    return std::nullopt;
}

} // namespace

bool LoadAndOpenFolder(ChangerContext& ctx, int machine, int slot, const std::vector<std::string>& folders,
                       int readableWaitMs, int pollMs)
{
    const std::string caption = ctx.messageCaption;
    auto tell = [&](const std::string& text) {
        ctx.person.messageBox(text, caption, BoxIcon::Warning, BoxButtons::Ok);
        return false;
    };
    ctx.CurrentMachine = machine;
    ctx.CurrentSlot = slot;
    // A disc already in the drive is not loaded again (Load would say so in a box).
    const auto before = ReadDriveSlot(ctx, machine);
    if (!before || *before != slot) {
        switch (LoadToDrive(ctx)) {
        case LoadOutcome::InDrive:
            break;
        case LoadOutcome::Told:
        case LoadOutcome::NoSlot:
            return false;
        case LoadOutcome::NotSeen:
            return tell(filled(ctx.text("5350", "The disc of slot %1 was not seen in the drive."),
                               {std::to_string(slot)}));
        }
    } else {
        ctx.DriveSlot = slot;
    }
    const std::int64_t until = ctx.clock.nowMs() + readableWaitMs;
    std::filesystem::path root;
    for (;;) {
        root = ctx.driveFolder ? ctx.driveFolder(machine) : std::string();
        if (!root.empty() && showsADisc(root))
            break;
        if (ctx.clock.nowMs() >= until)
            return tell(filled(ctx.text("5351", "The disc of slot %1 is in the drive, but it could not be read "
                                                "within %2 seconds."),
                               {std::to_string(slot), std::to_string(readableWaitMs / 1000)}));
        ctx.display.setWaitText(
            filled(ctx.text("5352", "Waiting for the disc of slot %1 to be readable…"), {std::to_string(slot)}));
        ctx.clock.sleep(pollMs);
    }
    ctx.display.setWaitText({});
    std::filesystem::path folder = root;
    for (const std::string& name : folders) {
        const auto next = childFolder(folder, name);
        if (!next)
            break;
        folder = *next;
    }
    if (ctx.openLocation)
        ctx.openLocation(folder.string());
    return true;
}

void EjectFromDrive(ChangerContext& ctx)
{
    ctx.deviceMonitor->stop();
    const int machine = ctx.CurrentMachine;
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    eject(ctx, machine, ReadyAfterWait(ctx, machine));
}

void EjectFromDriveButton(ChangerContext& ctx)
{
    const int machine = ctx.machines.MachineByName(ctx.display.machineNameText());
    ctx.deviceMonitor->stop();
    eject(ctx, machine, ReadyAfterWait(ctx, machine));
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
