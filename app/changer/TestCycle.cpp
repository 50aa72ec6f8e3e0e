#include "changer/TestCycle.h"

#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "platform/Clock.h"

#include <string>

namespace kavro {

namespace {
constexpr std::int64_t kStartWithinMs = 10000;
constexpr int kResetWaitMs = 2000;
constexpr int kBeforeMoveMs = 2000;
constexpr int kAfterMoveMs = 6000;
// This many rounds in a row in which the machine refused the move or was not ready afterwards
// end the cycle: a machine that stays busy or has gone would otherwise be driven for ever.
constexpr int kMaxFailedRounds = 10;
} // namespace

int NextTestSlot(int slot, int n)
{
    return slot > n ? 1 : slot + 1;
}

void TestCycleKeyPressed(ChangerContext& ctx, TestCycleKey key)
{
    if (key == TestCycleKey::Chord) {
        if (ctx.testRunning) {
            ctx.testRunning = false;
            ctx.testArmed = false;
            ctx.display.setStatusText(3, "Auto Check Stop");
            return;
        }
        ctx.testArmed = true;
        ctx.testArmedAtMs = ctx.clock.nowMs();
        ctx.display.setStatusText(3, "Wait ");
        return;
    }
    if (!ctx.testArmed || ctx.testRunning)
        return;
    if (ctx.clock.nowMs() - ctx.testArmedAtMs >= kStartWithinMs) {
        ctx.testArmed = false;
        return;
    }
    ctx.display.setStatusText(3, "Auto Check Start");
    ctx.testRunning = true;
    RunTestCycle(ctx, key == TestCycleKey::Start100 ? 100 : 150);
}

void RunTestCycle(ChangerContext& ctx, int n)
{
    const int machine = ctx.CurrentMachine;
    ctx.testRunning = true;
    ctx.display.setStatusText(0, "Test Mode");
    ctx.torvex.USBCDReset(machine);
    ctx.clock.sleep(kResetWaitMs);
    int slot = 1;
    int tries = 0;
    while (ctx.testRunning) {
        slot = NextTestSlot(slot, n);
        ctx.display.setStatusText(3, std::to_string(machine) + " Test Mode Slot: " + std::to_string(slot));
        ctx.clock.sleep(kBeforeMoveMs);
        ctx.clock.processEvents();
        const int moved = MoveToSlot(ctx, machine, slot);
        ctx.clock.sleep(kAfterMoveMs);
        // Not ready: the same slot again.
        const bool ready = (CheckReady(ctx, machine) & 0xFF) == 0;
        if (!ready)
            --slot;
        if (ready && Acknowledged(moved)) {
            tries = 0;
        } else if (++tries >= kMaxFailedRounds) {
            ctx.testRunning = false;
            ctx.testArmed = false;
            ctx.display.setStatusText(3, "Auto Check Stop");
            break;
        }
        ctx.clock.processEvents();
    }
    ctx.testRunning = false;
}

} // namespace kavro
