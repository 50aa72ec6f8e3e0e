#include "changer/TakeOutFlows.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DriveFlows.h"
#include "changer/RetrieveLog.h"
#include "changer/TakeOutDialog.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "shell/SettingsKeys.h"

#include "torvex/torvex.h"

namespace kavro {

namespace {

constexpr int kAfterDialogMs = 500;
constexpr int kAfterMoveMs = 3000;

// For a machine with a drive: the box names it, and a slot whose disc sits in the drive is
// refused. DriveSlot is left as it was.
bool slotInDrive(ChangerContext& ctx, int machine, int slot)
{
    if (!IsDriveMachine(ctx, machine))
        return false;
    // Read from a cabinet that has stopped: a moving one answers "BUSY", whose "B" is no slot 66.
    const auto inDrive = ReadDriveSlot(ctx, machine);
    ctx.display.setMachineNameText(ctx.machines.MachineName(machine));
    if (!inDrive || *inDrive != slot)
        return false;
    ShowDiscInDrive(ctx, slot);
    return true;
}

// Waits for a moving machine, then tells the person when it is gone or never stopped. True when
// it is ready for the take-out.
bool readyForTakeOut(ChangerContext& ctx, int machine)
{
    const int ready = ReadyAfterWait(ctx, machine);
    if (ready == 0)
        return true;
    if (ready == 1)
        ShowNotConnected(ctx, machine);
    else if (ready == 2)
        ShowStillMoving(ctx, machine);
    else
        ReportNotDone(ctx, machine, ready);
    return false;
}

} // namespace

void TakeOutDisc(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot, const std::string& title,
                 TakeOutSource source)
{
    if (source == TakeOutSource::StopsMonitor)
        ctx.deviceMonitor->stop();
    CabinetWork work(ctx);
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
    if (!readyForTakeOut(ctx, machine))
        return 0;
    if (slotInDrive(ctx, machine, slot))
        return 0;
    ShowDriveState(ctx);

    const std::string name = ctx.machines.MachineName(machine);
    const TakeOutAnswer answer = dialog.ask(name, slot, title);
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
    CabinetWork work(ctx);
    if (!readyForTakeOut(ctx, machine))
        return false;
    if (slotInDrive(ctx, machine, slot))
        return false;
    int moved = 0;
    {
        BusyCursor busy(ctx.person);
        ShowDriveState(ctx);
        moved = MoveToSlot(ctx, machine, slot);
        if (Acknowledged(moved)) {
            ctx.display.setWaitText(MovingToDoorText(ctx, slot));
            ctx.clock.sleep(kAfterMoveMs);
        }
        ctx.display.setWaitText({});
    }
    // Told after the busy cursor is gone, so the message is not shown under it.
    ReportNotDone(ctx, machine, moved);
    return Acknowledged(moved);
}

} // namespace kavro
