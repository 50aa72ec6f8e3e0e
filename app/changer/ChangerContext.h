#pragma once

#include "changer/ChangerDisplay.h"
#include "changer/MachineTable.h"
#include "changer/Timer.h"
#include "changer/TorvexWrappers.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class Clock;
class Person;
class Settings;
class Texts;
class TorvexCalls;

// Everything the changer control keeps: the services it works through, the machine registry,
// the action layer's machine and slot, the monitoring state and what the window shows. The main
// window owns one; tests make a fresh one each. The flows are free functions over it
// (MachineRegistry.h, ChangerActions.h, DeviceMonitor.h, TakeOutFlows.h, DriveFlows.h, ...).
struct ChangerContext {
    ChangerContext(Catalogue& catalogue, TorvexCalls& calls, Person& person, Clock& clock,
                   const Texts& texts);
    ~ChangerContext();
    ChangerContext(const ChangerContext&) = delete;
    ChangerContext& operator=(const ChangerContext&) = delete;

    // The window's Timer_CheckDevice and Timer_CheckCD; idle stand-ins until it gives them.
    void useTimers(Timer& deviceMonitorTimer, Timer& driveCheckTimer);

    std::string text(std::string_view key, std::string_view defaultText) const;
    // The program folder's Data folder (DATA and Data are the same folder).
    std::filesystem::path dataFolder() const;
    // The local time now, as the wall clock gives it.
    std::chrono::system_clock::time_point wallNow() const;

    // Services.
    Catalogue& catalogue; // CDDEVICE for the registry, KAVRO for swap ID
    Person& person;
    Clock& clock;
    const Texts& texts;
    TorvexWrappers torvex;
    Timer* deviceMonitor; // Timer_CheckDevice
    Timer* driveCheck;    // Timer_CheckCD
    // RetrieveLog is read from here at each take-out; without settings the log is off.
    const Settings* settings = nullptr;
    // Time of day for the status texts; tests set a fixed one.
    std::function<std::chrono::system_clock::time_point()> wallClock;
    // Opens a folder in the file manager; an empty folder means the computer's drives view.
    std::function<void(const std::string& folder)> openLocation;
    // The mount folder of a machine's built-in drive, empty when unknown.
    std::function<std::string(int machine)> driveFolder;
    // Cabinets present on the bus that cannot be opened (no udev rule, wrong group), each as a
    // line naming it, the reason and the fix; empty when the window gives no probe. Reported once
    // each (DeviceMonitor.h) on the status bar and through `log`.
    std::function<std::vector<std::string>()> unopenedCabinets;
    std::function<void(const std::string& line)> log;
    std::set<std::string> reportedUnopened;
    // Caption of plain messages (the application title).
    std::string messageCaption = "Kavro";

    // Machine registry.
    MachineTable machines;
    std::string DefaultModel = "KZ350VN";
    int KnownMachineCount = 0;
    int DriveMachineCount = 0;
    bool rescanRunning = false;
    // Cabinet work under way (CabinetWait.h): the timers' flows and the window's commands wait.
    int cabinetWork = 0;

    // Action layer.
    int CurrentMachine = 0;
    int CurrentSlot = 0;
    int DoorMachine = 0;
    int DoorSlot = 0;

    // Monitoring and the flows.
    int DriveSlot = 0;
    int DriveCheckCount = 0;
    // The take-out dialog's last result: 0 none, 1 execute, 2 abandon.
    int takeOutResult = 0;

    // The test cycle.
    bool testArmed = false;
    bool testRunning = false;
    std::int64_t testArmedAtMs = 0;

    ChangerDisplay display;

private:
    IdleTimer m_idleMonitor;
    IdleTimer m_idleDriveCheck;
};

} // namespace kavro
