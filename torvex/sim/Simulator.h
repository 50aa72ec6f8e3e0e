#pragma once

// Simulated cabinets: a transport of libtorvex that answers the indexed-string requests the way
// the cabinets do, and a control API for tests and demos in the same process.
//
//   torvex::sim::Simulator sim;
//   const int a = sim.addCabinet({.id = 0x0A0B0C, .model = "KZ350VN", .slots = 100,
//                                 .filled = {1, 2, 3}, .busyMs = 1500});
//   sim.setTimeSource([&clock] { return clock.nowMs(); });
//   sim.install();            // the library now talks to the simulator
//   InitUSBKavro();
//   sim.script(a, 17, torvex::sim::Reply::text("+BUSY"));
//
// What a cabinet answers (string index: reply):
//    0  the language list (0x0409), at any time: the USB stack answers it, not the cabinet
//    9  the model text; 10 the id as three units, high byte first
//   11  reset: the door and the arm are cleared; moves for the busy time
//   12  "ACK", then the next request (whatever its index) is a slot: that slot comes to the door ("ERROR1"
//   for a slot
//       the cabinet does not have); moves
//   14  the arm's disc goes back to its slot; moves when the door held a slot
//   15, 16  power on, off
//   17  "ACK" when idle, "BUSY" while moving
//   18  the slot whose disc is in the drive as the first unit, 0 when the drive is empty
//   19  "ACK", then the next request is a slot: its disc goes into the drive ("ERROR1" no such
//       slot, "ERROR2" the slot holds no disc, "ERROR3" the drive holds a disc); moves, and the
//       use counter counts one more
//   20  the drive's disc goes back to its slot; moves when the drive held one
//   21  the use counter as three units, high byte first; 22 clears it
// While a cabinet moves, every request but 0 answers "BUSY": the id and the model too (so an
// enumeration during a move reads the id 0x425553 and a drive-capable "BUSY"), and 18 answers
// the "B" that callers take for a busy cabinet. On a cabinet without a
// drive (model text beginning "1234567") 18 to 22 answer "ERROR". Any other index, or a slot
// number not preceded by 12 or 19, answers "ERROR". Scripted replies come first and leave the
// cabinet's state alone.

#include "torvex/Transport.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace torvex::sim {

class SimCore;

// One answer of a cabinet: a text of UTF-16 units, or a request that fails.
class Reply {
public:
    // Each byte becomes one unit (the cabinets answer in ASCII).
    static Reply text(std::string_view text);
    static Reply units(std::vector<std::uint16_t> units);
    static Reply failure();

    bool failed() const { return m_failed; }
    const std::vector<std::uint16_t>& units() const { return m_units; }

private:
    std::vector<std::uint16_t> m_units;
    bool m_failed = false;
};

// How long real cabinets take for each movement, in milliseconds: a slot to the door (12), the
// arm's disc back into its slot (14, when the door held one), a slot's disc into the drive
// (19), the drive's disc back to its slot (20) and a reset (11). The waits of the program fit
// them: 14 is done before the 1.5 s the program leaves before a move, a move before the 3 s
// it waits after one; a load or a return is seen by the drive check and the readiness retries.
struct Timing {
    int resetMs = 1500;
    int doorMs = 2500;
    int armDownMs = 1200;
    int loadMs = 8000;
    int returnMs = 6000;

    // The same as a busyMsByCode table.
    std::map<int, int> byCode() const;
};

struct CabinetSpec {
    // A cabinet that moves as slowly as a real one (Timing's defaults); set the other fields
    // after. A default-built CabinetSpec moves in no time, for tests about something else.
    static CabinetSpec realTiming();

    std::int32_t id = 0;               // 24-bit machine id
    std::string model = "KZ350VN";     // a text beginning "1234567" means no drive
    int slots = 100;                   // 1 to 255
    std::vector<int> filled{};         // slots holding a disc
    int busyMs = 0;                    // how long a moving command keeps the cabinet busy
    std::map<int, int> busyMsByCode{}; // per code, before busyMs; 12 and 19 stand for their slot step
    int counter = 0;                   // drive use counter
    bool plugged = true;
    std::uint16_t vendorId = 1204; // another pair makes a USB device that is no cabinet
    std::uint16_t productId = 23195;
    bool openable = true; // false: listed, but opening it is refused as without a udev rule
    // What the discs hold, for a cabinet with a drive: once a load is over, driveFolder is a
    // link to the loaded slot's folder (a folder standing for the disc, named by its volume
    // label), and no link while the drive is empty or a disc is on its way. A slot without a
    // folder shows a disc that cannot be read. Empty driveFolder: nothing is shown.
    std::string driveFolder;
    std::map<int, std::string> discFolders;
};

// Where a cabinet is, or while busy, where its movement is taking it.
struct CabinetState {
    int doorSlot = 0;  // slot presented at the door, 0 none
    int armSlot = 0;   // slot whose disc the arm holds at the door, 0 none
    int driveSlot = 0; // slot whose disc is in the drive, 0 none
    bool powered = true;
    int counter = 0;
    bool busy = false;
    bool plugged = true;
    std::vector<int> filled;
};

// A plug or unplug that happens by itself: at a time of the time source, after the given
// number of device listings (the cabinet is still listed that many times, then changes), or
// after the given number of further string requests to any cabinet (counted from when the event
// is scheduled; the change comes before the next request).
struct PlugEvent {
    enum class Trigger { AtMs, AfterListings, AfterRequests };
    Trigger trigger = Trigger::AtMs;
    std::int64_t at = 0;
    bool plugged = false;
};

// One request that reached a cabinet.
struct Request {
    int cabinet = 0;
    std::int32_t machineId = 0;
    int index = 0;

    bool operator==(const Request&) const = default;
};

// The control side. Copies share one set of cabinets; so does every transport made from it,
// which keeps the cabinets alive after the Simulator object is gone.
class Simulator {
public:
    Simulator();

    // Adds a cabinet and returns its key (0, 1, 2, ... in order); it lists after the others.
    int addCabinet(const CabinetSpec& spec);
    int cabinetCount() const;

    void plug(int cabinet);
    void unplug(int cabinet);
    void schedule(int cabinet, PlugEvent event);

    // Milliseconds on a monotonic scale; the default is the system's steady clock.
    void setTimeSource(std::function<std::int64_t()> now);
    std::int64_t now() const;

    // Queues the next reply of a cabinet to a string index; queued replies are used in order.
    void script(int cabinet, int index, Reply reply);

    std::vector<Request> log() const;
    // The string indices of the logged requests, optionally only those of one machine id.
    std::vector<int> indicesSent() const;
    std::vector<int> indicesSent(std::int32_t machineId) const;
    void clearLog();

    CabinetState state(int cabinet) const;
    // Handles the transports hold open on the cabinets.
    int openHandles() const;
    // How many times the devices have been listed.
    int listings() const;

    // A transport over these cabinets.
    std::unique_ptr<Transport> makeTransport() const;
    // Makes the library use these cabinets (closing the handles of the transport it had).
    void install() const;

    // Makes every device listing fail with this error number (0: listings work).
    void setListError(int error);

private:
    std::shared_ptr<SimCore> m_core;
};

} // namespace torvex::sim
