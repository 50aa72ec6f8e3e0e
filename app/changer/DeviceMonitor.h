#pragma once

namespace kavro {

struct ChangerContext;

// The two timers of the main window that watch the machines, and the device status texts.

// Starts both timers as the main window comes up: the device monitor first after 3 s, the drive
// check after 20 s.
void StartChangerTimers(ChangerContext& ctx);

// Status panel 0 for a result code: "Device status OK", "... ERROR", "... BUSY" or
// "... UnKnowError" (and then a reset of CurrentMachine); other codes leave the panel alone.
void ShowDeviceStatus(ChangerContext& ctx, int result);

// Timer_CheckDevice fired: asks the library whether the machines changed, shows the time and the
// answer, and rescans the registry on a change (then checks again after 3 s, else after 1 s).
void DeviceMonitorTick(ChangerContext& ctx);

// Cabinets on the bus that cannot be opened are told once each: on the status bar and in the
// program's log, with the reason and the fix. Runs at start and whenever the machines changed.
void ReportUnopenedCabinets(ChangerContext& ctx);

// Timer_CheckCD fired: reads which slot's disc is in the drive of CurrentMachine into DriveSlot
// and shows it on the machine bar; retries while the machine answers busy.
void DriveCheckTick(ChangerContext& ctx);

} // namespace kavro
