#pragma once

#include <string_view>

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

// "Load": the disc of CurrentSlot into the drive of CurrentMachine, then the drive check
// reports. Does nothing to the machine without a slot.
void LoadToDrive(ChangerContext& ctx);

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
