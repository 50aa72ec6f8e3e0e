#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavro {

struct ChangerContext;

// The built-in drive of a machine of the DefaultModel: load, eject, the drive state on the
// machine bar, the Explorer button, and the selections that choose CurrentMachine and
// CurrentSlot.

// Whether the registry knows the machine as one of the DefaultModel (it has a drive; its rows
// are marked in the lists).
bool IsDriveMachine(const ChangerContext& ctx, int machine);

// The highest slot of a machine: 100 for one of the DefaultModel, else 150.
int LastSlotOf(const ChangerContext& ctx, int machine);

// "Disk in the drive" with the slot: the slot's disc is in the drive, so nothing is moved.
void ShowDiscInDrive(ChangerContext& ctx, int slot);

// The machine-name box was clicked (also part of both take-outs): puts the arm's disc down on
// the machine named in the box, reads DriveSlot and shows it; Eject and Detail are enabled
// exactly when the drive holds a disc. A machine that does not take code 14, or answers the
// drive question with no slot it can have, shows "Checking" and its id instead, with DriveSlot 0.
// Nothing when the box is empty or names no machine.
void ShowDriveState(ChangerContext& ctx);

// How a load ended. Told: it did not happen and the person was told why (machine gone, still
// moving, refused). NotSeen: the cabinet took it, but the drive was not seen holding the disc.
enum class LoadOutcome { InDrive, NoSlot, Told, NotSeen };

// "Load": the disc of CurrentSlot into the drive of CurrentMachine, then the drive check
// reports. Does nothing to the machine without a slot.
LoadOutcome LoadToDrive(ChangerContext& ctx);

// The longest wait for a disc just loaded to become readable (spin-up and mount), and how often
// the drive's folder is looked at meanwhile.
inline constexpr int kReadableWaitMs = 30000;
inline constexpr int kReadablePollMs = 1000;

// "Load and open" of Find files: the slot's disc into the machine's drive as Load puts it there
// (nothing moves when it is there already), then, once the drive's folder shows a readable disc,
// the folder given by its names from the top of the disc in the file manager (openLocation). A
// folder the disc lacks opens the deepest one it has; names are matched regardless of case when
// the exact one is missing, as plain ISO 9660 names are shown in lower case. False when the disc
// did not reach the drive or could not be read in time; the person was told.
bool LoadAndOpenFolder(ChangerContext& ctx, int machine, int slot, const std::vector<std::string>& folders,
                       int readableWaitMs = kReadableWaitMs, int pollMs = kReadablePollMs);

// "Eject" of the disc menus: the drive's disc of CurrentMachine back to its slot.
void EjectFromDrive(ChangerContext& ctx);
// "Eject" of the machine bar: the same for the machine named in the machine-name box.
void EjectFromDriveButton(ChangerContext& ctx);

// "Explorer": opens the file manager on the drive of CurrentMachine (or the computer's drives
// view), then counts the machines again and rescans when their number changed.
void ExplorerAction(ChangerContext& ctx);

// The slot box: a slot from 1 to 100 becomes CurrentSlot; anything else puts "1" back.
void ChooseSlotBoxText(ChangerContext& ctx, std::string_view text);

// A disc row became selected in ListView2, ListView4, ListView5 or SearchView. driveRow: the row
// is marked as a disc of a machine with a drive; then CurrentSlot is its slot and the drive
// entries of the menus show, else CurrentSlot is 0 and they hide.
void SelectDiscRow(ChangerContext& ctx, int machine, int slot, bool driveRow);

// A click on a ListView5 row: CurrentMachine and CurrentSlot from the row, whatever the model.
void ClickListView5Row(ChangerContext& ctx, int machine, int slot);

} // namespace kavro
