#pragma once

#include <optional>
#include <string>

namespace kavro {

struct ChangerContext;

// Waiting for a cabinet that moves. A move to the door, a load into the drive and a return from
// it take seconds; meanwhile the cabinet answers "BUSY" to every request, the drive question
// included. Readings are taken only from an idle cabinet, and the waits are shown.

// The longest a flow waits for a moving cabinet (a load takes up to about ten seconds), and how
// often it asks meanwhile.
inline constexpr int kIdleWaitLimitMs = 15000;
inline constexpr int kIdlePollMs = 1000;

// Cabinet work under way: while one lives, the device monitor and the drive check leave the
// cabinets alone and the window takes no command for them.
class CabinetWork {
public:
    explicit CabinetWork(ChangerContext& ctx);
    ~CabinetWork();
    CabinetWork(const CabinetWork&) = delete;
    CabinetWork& operator=(const CabinetWork&) = delete;

private:
    ChangerContext& m_ctx;
};

// Asks the machine's status until it is idle ("ACK" or "+ACK"), every pollMs for at most
// limitMs, showing `waiting` (with the busy cursor) while it moves. USBCD_OK once idle, else the
// last status: BUSY or +BUSY when it never stopped, NO_DEVICE or FAIL for a machine gone, an
// error reply as it came.
int WaitUntilIdle(ChangerContext& ctx, int machine, const std::string& waiting,
                  int limitMs = kIdleWaitLimitMs, int pollMs = kIdlePollMs);

// CheckReady (0 ready, 1 no such machine, 2 busy, 3 failed, ...), and for a machine that is moving
// (the arm still putting the last disc down) the rest of the wait until it has stopped: then 0,
// or 2 when it never stopped.
int CheckReadyOnceStopped(ChangerContext& ctx, int machine);

// The machine once it has stopped moving, for a flow the person started: 0 ready, 1 gone (no
// such machine, or a failed request), 2 still moving after the wait, or an error reply as it
// came. A machine that is neither moving nor ready is asked once more a second later.
int ReadyAfterWait(ChangerContext& ctx, int machine);

// The slot whose disc is in the drive, read from an idle machine and confirmed idle after, 0 for
// an empty drive; nullopt when the machine cannot tell now (still moving, gone, or an answer that
// names no slot it has).
// `waiting` is shown while it waits (default: the machine's name), asking every pollMs.
std::optional<int> ReadDriveSlot(ChangerContext& ctx, int machine, const std::string& waiting = {},
                                 int pollMs = kIdlePollMs);

// The texts of the waits: "Moving slot 17 to the door…" and the like, in the language in use.
std::string MovingToDoorText(const ChangerContext& ctx, int slot);
std::string LoadingText(const ChangerContext& ctx, int slot);
std::string ReturningText(const ChangerContext& ctx);
std::string WaitingForText(const ChangerContext& ctx, int machine);

// A machine that stayed busy through the wait, told where the person asked for the action.
void ShowStillMoving(ChangerContext& ctx, int machine);

} // namespace kavro
