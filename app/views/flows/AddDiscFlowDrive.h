#pragma once

#include <functional>

namespace kavro {

struct ChangerContext;

// A machine with a built-in drive lends its drive to the add and edit flows: before "Get Now"
// reads the drive, the chosen slot's disc is loaded into it, and afterwards it goes back to its
// slot. Without this the flows would read whatever disc the drive happened to hold.
class AddDiscFlowDrive {
public:
    // Bounds of the waits, in milliseconds; each wait asks again every step.
    struct Times {
        int readyMs = 30'000; // the machine answering ready
        int moveMs = 60'000;  // a disc arriving in or leaving the drive
        int discMs = 30'000;  // the loaded disc becoming readable
        int stepMs = 1'000;
    };

    AddDiscFlowDrive(ChangerContext& ctx, int machine, int slot, Times times);
    AddDiscFlowDrive(ChangerContext& ctx, int machine, int slot)
        : AddDiscFlowDrive(ctx, machine, slot, Times{})
    {
    }
    ~AddDiscFlowDrive();
    AddDiscFlowDrive(const AddDiscFlowDrive&) = delete;
    AddDiscFlowDrive& operator=(const AddDiscFlowDrive&) = delete;

    // Loads the slot's disc, first returning a disc of another slot that sits in the drive, and
    // waits until the drive reports the slot. True when the slot's disc is in the drive (also
    // when it was there already). The device monitor stays off meanwhile.
    bool load();
    // Whether load() moved the disc in (and finish() will return it).
    bool loadedHere() const { return m_loadedHere; }

    // Waits, pending events running, until readable() says the loaded disc can be read.
    bool waitForDisc(const std::function<bool()>& readable);

    // Returns a disc loaded here to its slot; the drive check then reports the drive and starts
    // the device monitor again. Otherwise the device monitor runs again as it did before.
    // Runs once; the destructor runs it when nobody did.
    void finish();

private:
    bool waitReady();
    bool waitDriveHolds(int slot);

    ChangerContext& m_ctx;
    int m_machine;
    int m_slot;
    Times m_times;
    bool m_monitorWasActive;
    bool m_loadedHere = false;
    bool m_finished = false;
};

} // namespace kavro
