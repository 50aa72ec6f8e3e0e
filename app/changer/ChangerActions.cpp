#include "changer/ChangerActions.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerContext.h"
#include "changer/DeviceMonitor.h"
#include "platform/Clock.h"
#include "platform/Person.h"

#include "torvex/torvex.h"

namespace kavro {

namespace {

constexpr int kReadyWaitMs = 1000;
constexpr int kMoveWaitMs = 1500;
constexpr int kEjectWaitMs = 1000;

enum class AllAction { PowerOn, PowerOff, Reset };

void forAllReady(ChangerContext& ctx, AllAction action)
{
    if (ctx.torvex.GetDeviceNumber() <= 0)
        return;
    for (int i = 0; i < ctx.machines.count(); ++i) {
        const int machine = ctx.machines.MachineAt(i);
        if (CheckReady(ctx, machine) != 0)
            continue;
        ctx.torvex.USBCDGetCDDown(machine);
        switch (action) {
        case AllAction::PowerOn:
            ctx.torvex.USBCDLEDON(machine);
            break;
        case AllAction::PowerOff:
            ctx.torvex.USBCDLEDOFF(machine);
            break;
        case AllAction::Reset:
            ctx.torvex.USBCDReset(machine);
            break;
        }
    }
}

} // namespace

int CheckReady(ChangerContext& ctx, int machine)
{
    const int status = ctx.torvex.USBCDGetStatus(machine);
    switch (status) {
    case USBCD_OK:
        return 0;
    case USBCD_NO_DEVICE:
        return 1;
    case USBCD_BUSY:
        ctx.clock.sleep(kReadyWaitMs);
        return 2;
    case USBCD_FAIL:
        ctx.torvex.USBCDReset(machine);
        return 3;
    case USBCD_PLUS_ACK:
    case USBCD_PLUS_BUSY:
        ctx.clock.sleep(kReadyWaitMs);
        return 0;
    default:
        // "ERROR1" and the other error replies: not ready, passed on as they are.
        return status;
    }
}

void ShowNotConnectedMessage(ChangerContext& ctx)
{
    ctx.person.messageBox(ctx.text("1032", "未接機器 "), "System Message", BoxIcon::Warning, BoxButtons::Ok);
}

void ShowNotConnected(ChangerContext& ctx, int machine)
{
    ShowNotConnectedMessage(ctx);
    ctx.torvex.USBCDReset(machine);
}

bool Acknowledged(int result)
{
    return result == USBCD_OK || result == USBCD_PLUS_ACK;
}

void ReportNotDone(ChangerContext& ctx, int machine, int result)
{
    if (Acknowledged(result))
        return;
    if (result == USBCD_NO_DEVICE || result == USBCD_FAIL) {
        ShowNotConnected(ctx, machine);
        return;
    }
    if (result == USBCD_BUSY || result == USBCD_PLUS_BUSY) {
        ShowStillMoving(ctx, machine);
        return;
    }
    ctx.display.setStatusText(0, "Device status ERROR");
    ctx.person.messageBox(ctx.machines.MachineName(machine) + ": Device status ERROR", ctx.messageCaption,
                          BoxIcon::Warning, BoxButtons::Ok);
}

int MoveToSlot(ChangerContext& ctx, int machine, int slot)
{
    if (CheckReady(ctx, machine) == 1)
        ShowNotConnected(ctx, machine);
    ctx.torvex.USBCDGetCDDown(machine);
    ctx.clock.sleep(kMoveWaitMs);
    // The arm may still be putting a disc back; the move goes out once the cabinet has stopped.
    if (const int idle = WaitUntilIdle(ctx, machine, MovingToDoorText(ctx, slot));
        idle == USBCD_BUSY || idle == USBCD_PLUS_BUSY)
        return idle;
    ctx.display.setWaitText(MovingToDoorText(ctx, slot));
    return ctx.torvex.USBCDMoveto(machine, slot);
}

int OpenDoor(ChangerContext& ctx, int machine, int slot)
{
    CloseDoor(ctx);
    ctx.DoorMachine = machine;
    ctx.DoorSlot = slot;
    if (const int ready = CheckReadyOnceStopped(ctx, machine); ready != 0)
        return ready;
    return ctx.torvex.USBCDGetCDDown(machine);
}

void CloseDoor(ChangerContext& ctx)
{
    if (ctx.DoorMachine == 0)
        return;
    if (CheckReadyOnceStopped(ctx, ctx.DoorMachine) == 0)
        ctx.torvex.USBCDGetCDDown(ctx.DoorMachine);
    ctx.DoorMachine = 0;
    ctx.DoorSlot = 0;
}

int EjectDrive(ChangerContext& ctx, int machine)
{
    CabinetWork work(ctx);
    ctx.torvex.USBCDGetCDDown(machine);
    ctx.clock.sleep(kEjectWaitMs);
    int result = WaitUntilIdle(ctx, machine, ReturningText(ctx));
    if (result == USBCD_OK) {
        ctx.display.setWaitText(ReturningText(ctx));
        result = ctx.torvex.USBCDEject(machine);
    }
    ctx.display.setStateLabel(ctx.text("5011", "Checking") + " " + ctx.text("5006", "Eject"));
    // The status text of a failure resets CurrentMachine, so it names this machine first.
    ctx.CurrentMachine = machine;
    ShowDeviceStatus(ctx, result);
    ctx.driveCheck->start();
    return result;
}

void PowerOnAll(ChangerContext& ctx)
{
    forAllReady(ctx, AllAction::PowerOn);
}

void PowerOffAll(ChangerContext& ctx)
{
    forAllReady(ctx, AllAction::PowerOff);
}

void ResetAll(ChangerContext& ctx)
{
    forAllReady(ctx, AllAction::Reset);
}

} // namespace kavro
