#include "changer/TakeOutFlows.h"

#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DriveFlows.h"
#include "changer/RetrieveLog.h"
#include "changer/TakeOutDialog.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "shell/SettingsKeys.h"

namespace kavro {

namespace {

constexpr int kRetryWaitMs = 1000;
constexpr int kAfterDialogMs = 500;
constexpr int kAfterMoveMs = 3000;

// For a machine with a drive: the box names it, and a slot whose disc sits in the drive is
// refused. DriveSlot is left as it was.
bool slotInDrive(ChangerContext& ctx, int machine, int slot)
{
    if (!IsDriveMachine(ctx, machine))
        return false;
    const int inDrive = ctx.torvex.USBCDGetDriveCD(machine);
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    if (inDrive != slot)
        return false;
    ShowDiscInDrive(ctx, slot);
    return true;
}

} // namespace

void TakeOutDisc(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot, const std::string& title,
                 TakeOutSource source)
{
    if (source == TakeOutSource::StopsMonitor)
        ctx.deviceMonitor->stop();
    const bool logged = ctx.settings != nullptr && keys::read(*ctx.settings, keys::RetrieveLog) != 0;
    if (logged) {
        std::optional<RetrieveRecord> record;
        (void)TakeOutWithLog(ctx, dialog, machine, slot, title, &record);
        // The record follows the take-out, so a machine that refused or vanished leaves none.
        if (ctx.takeOutResult == TakeOutAnswer::Execute && TakeOut(ctx, machine, slot) && record)
            (void)AppendRetrieveRecord(ctx, *record);
    } else {
        TakeOut(ctx, machine, slot);
    }
    if (source == TakeOutSource::StopsMonitor)
        ctx.deviceMonitor->start();
}

int TakeOutWithLog(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot,
                   const std::string& title, std::optional<RetrieveRecord>* pending)
{
    if (pending != nullptr)
        pending->reset();
    // A take-out that stops before the dialog must not go ahead on the previous one's answer.
    ctx.takeOutResult = TakeOutAnswer::None;
    if (CheckReady(ctx, machine) != 0)
        ctx.clock.sleep(kRetryWaitMs);
    if (CheckReady(ctx, machine) == 1) {
        ShowNotConnected(ctx, machine);
        return 0;
    }
    if (slotInDrive(ctx, machine, slot))
        return 0;
    ShowDriveState(ctx);

    const std::string name = ctx.machines.MachineName(machine);
    const TakeOutAnswer answer = dialog.ask(name, slot);
    ctx.clock.sleep(kAfterDialogMs);
    ctx.takeOutResult = answer.result;
    if (answer.result != TakeOutAnswer::Execute)
        return 0;

    if (!RetrieveLogFile(ctx.dataFolder() / "Retrieve.log").isOpen())
        return -1;
    CloseDoor(ctx);
    const int door = OpenDoor(ctx, machine, slot);
    RetrieveRecord record;
    record.title = title;
    record.machineName = name;
    record.slot = slot;
    record.access = answer.takeOut ? ctx.text("3606", "取出") : ctx.text("3605", "置放");
    record.reason = answer.reason;
    record.dateTime = FormatLogDateTime(answer.when);
    if (pending != nullptr)
        *pending = std::move(record);
    else if (Acknowledged(door))
        (void)AppendRetrieveRecord(ctx, record);
    return 0;
}

bool AppendRetrieveRecord(ChangerContext& ctx, const RetrieveRecord& record)
{
    RetrieveLogFile log(ctx.dataFolder() / "Retrieve.log");
    return log.isOpen() && log.append(record);
}

bool TakeOut(ChangerContext& ctx, int machine, int slot)
{
    if (CheckReady(ctx, machine) == 1) {
        ShowNotConnected(ctx, machine);
        return false;
    }
    if (slotInDrive(ctx, machine, slot))
        return false;
    int moved = 0;
    {
        BusyCursor busy(ctx.person);
        ShowDriveState(ctx);
        moved = MoveToSlot(ctx, machine, slot);
        ctx.clock.sleep(kAfterMoveMs);
    }
    // Told after the busy cursor is gone, so the message is not shown under it.
    ReportNotDone(ctx, machine, moved);
    return Acknowledged(moved);
}

} // namespace kavro
