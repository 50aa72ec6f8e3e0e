#include "changer/CabinetWait.h"

#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DriveFlows.h"
#include "platform/Clock.h"
#include "platform/Person.h"

#include "torvex/torvex.h"

namespace kavro {

namespace {

bool idle(int status)
{
    return status == USBCD_OK || status == USBCD_PLUS_ACK;
}

bool moving(int status)
{
    return status == USBCD_BUSY || status == USBCD_PLUS_BUSY;
}

std::string withNumber(std::string text, const std::string& value)
{
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, value);
    return text;
}

} // namespace

CabinetWork::CabinetWork(ChangerContext& ctx) : m_ctx(ctx)
{
    ++m_ctx.cabinetWork;
}

CabinetWork::~CabinetWork()
{
    if (--m_ctx.cabinetWork == 0)
        m_ctx.display.setWaitText({});
}

int WaitUntilIdle(ChangerContext& ctx, int machine, const std::string& waiting, int limitMs, int pollMs)
{
    const std::int64_t start = ctx.clock.nowMs();
    int status = ctx.torvex.USBCDGetStatus(machine);
    if (!moving(status))
        return idle(status) ? USBCD_OK : status;
    CabinetWork work(ctx);
    BusyCursor cursor(ctx.person);
    ctx.display.setWaitText(waiting);
    while (moving(status) && ctx.clock.nowMs() - start < limitMs) {
        ctx.clock.sleep(pollMs);
        status = ctx.torvex.USBCDGetStatus(machine);
    }
    ctx.display.setWaitText({});
    return idle(status) ? USBCD_OK : status;
}

int CheckReadyOnceStopped(ChangerContext& ctx, int machine)
{
    const int ready = CheckReady(ctx, machine);
    if (ready != 2)
        return ready;
    return WaitUntilIdle(ctx, machine, WaitingForText(ctx, machine)) == USBCD_OK ? 0 : 2;
}

int ReadyAfterWait(ChangerContext& ctx, int machine)
{
    constexpr int kRetryWaitMs = 1000;
    int status = WaitUntilIdle(ctx, machine, WaitingForText(ctx, machine));
    if (status != USBCD_OK && !moving(status)) {
        ctx.clock.sleep(kRetryWaitMs);
        status = WaitUntilIdle(ctx, machine, WaitingForText(ctx, machine));
    }
    switch (status) {
    case USBCD_OK:
        return 0;
    case USBCD_NO_DEVICE:
    case USBCD_FAIL:
        return 1;
    case USBCD_BUSY:
    case USBCD_PLUS_BUSY:
        return 2;
    default:
        return status;
    }
}

std::optional<int> ReadDriveSlot(ChangerContext& ctx, int machine, const std::string& waiting, int pollMs)
{
    if (WaitUntilIdle(ctx, machine, waiting.empty() ? WaitingForText(ctx, machine) : waiting, kIdleWaitLimitMs,
                      pollMs) != USBCD_OK)
        return std::nullopt;
    const int slot = ctx.torvex.USBCDGetDriveCD(machine);
    // A failed request reads as 0, and a cabinet that started moving answers "BUSY" (66): only
    // a machine still idle after the question gave its drive's state.
    if (!idle(ctx.torvex.USBCDGetStatus(machine)))
        return std::nullopt;
    if (slot < 0 || slot > LastSlotOf(ctx, machine))
        return std::nullopt;
    return slot;
}

std::string MovingToDoorText(const ChangerContext& ctx, int slot)
{
    return withNumber(ctx.text("5012", "Moving slot %1 to the door…"), std::to_string(slot));
}

std::string LoadingText(const ChangerContext& ctx, int slot)
{
    return withNumber(ctx.text("5013", "Loading slot %1 into the drive…"), std::to_string(slot));
}

std::string ReturningText(const ChangerContext& ctx)
{
    return ctx.text("5014", "Returning the drive's disc to its slot…");
}

std::string WaitingForText(const ChangerContext& ctx, int machine)
{
    return withNumber(ctx.text("5015", "Waiting for %1 to stop moving…"), ctx.machines.MachineName(machine));
}

void ShowStillMoving(ChangerContext& ctx, int machine)
{
    ctx.display.setStatusText(0, "Device status BUSY");
    ctx.person.messageBox(withNumber(ctx.text("5016", "%1 is still moving. Try again once it has stopped."),
                                     ctx.machines.MachineName(machine)),
                          ctx.messageCaption, BoxIcon::Warning, BoxButtons::Ok);
}

} // namespace kavro
