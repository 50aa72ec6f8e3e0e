#include "views/flows/AddDiscFlowDrive.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "platform/Clock.h"

namespace kavro {

AddDiscFlowDrive::AddDiscFlowDrive(ChangerContext& ctx, int machine, int slot, Times times)
    : m_ctx(ctx), m_machine(machine), m_slot(slot), m_times(times),
      m_monitorWasActive(ctx.deviceMonitor->active())
{
}

AddDiscFlowDrive::~AddDiscFlowDrive()
{
    finish();
}

bool AddDiscFlowDrive::waitReady()
{
    const std::int64_t until = m_ctx.clock.nowMs() + m_times.readyMs;
    for (;;) {
        const int ready = CheckReady(m_ctx, m_machine);
        if (ready == 0)
            return true;
        // A machine that is gone does not come back by waiting.
        if (ready == 1 || m_ctx.clock.nowMs() >= until)
            return false;
        // CheckReady waited a second after a busy answer; other answers wait here.
        if (ready != 2)
            m_ctx.clock.sleep(m_times.stepMs);
    }
}

bool AddDiscFlowDrive::waitDriveHolds(int slot)
{
    const std::int64_t until = m_ctx.clock.nowMs() + m_times.moveMs;
    for (;;) {
        // Read from a machine that has stopped: a moving one's "BUSY" reads as slot 66.
        if (const auto held = ReadDriveSlot(m_ctx, m_machine); held && *held == slot)
            return true;
        if (m_ctx.clock.nowMs() >= until)
            return false;
        m_ctx.clock.sleep(m_times.stepMs);
    }
}

bool AddDiscFlowDrive::load()
{
    CabinetWork work(m_ctx);
    m_ctx.deviceMonitor->stop();
    if (!waitReady())
        return false;
    m_ctx.torvex.USBCDGetCDDown(m_machine);
    if (!waitReady())
        return false;
    const int inDrive = m_ctx.torvex.USBCDGetDriveCD(m_machine);
    if (inDrive == m_slot)
        return true;
    if (inDrive != 0) {
        // Another slot's disc goes home first; the drive takes one disc at a time.
        m_ctx.torvex.USBCDEject(m_machine);
        if (!waitDriveHolds(0) || !waitReady())
            return false;
    }
    if (m_ctx.torvex.USBCDMovetoDrive(m_machine, m_slot) != 0)
        return false;
    m_loadedHere = true;
    return waitDriveHolds(m_slot);
}

bool AddDiscFlowDrive::waitForDisc(const std::function<bool()>& readable)
{
    const std::int64_t until = m_ctx.clock.nowMs() + m_times.discMs;
    for (;;) {
        if (readable())
            return true;
        if (m_ctx.clock.nowMs() >= until)
            return false;
        m_ctx.clock.sleep(m_times.stepMs);
        m_ctx.clock.processEvents();
    }
}

void AddDiscFlowDrive::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_loadedHere) {
        waitReady();
        EjectDrive(m_ctx, m_machine);
        return;
    }
    if (m_monitorWasActive)
        m_ctx.deviceMonitor->start();
}

} // namespace kavro
