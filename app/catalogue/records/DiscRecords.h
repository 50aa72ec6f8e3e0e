#pragma once

#include "catalogue/database/DbResult.h"

#include <string>
#include <string_view>

namespace kavro {

class Catalogue;
struct DiscRecord;

// Finding, reading and writing disc rows. Every one works through the catalogue's DiscCursor
// and CurrentDisc, on the user-interface thread, to its end.

// Positions DiscCursor on the disc's row ("MachineNo;Slot", exact match).
bool LocateDisc(Catalogue& catalogue, int machine, int slot);

// Fills CurrentDisc from the row under DiscCursor; false when there is no row.
bool ReadDiscRecord(Catalogue& catalogue);

// Sets every column of the row under DiscCursor, which the caller has appended or put into
// edit, from CurrentDisc and the current file tree; the caller posts afterwards.
DbStatus WriteDiscRecord(Catalogue& catalogue);

// Writes CurrentDisc and the current file tree as one row: appended, or over the row under
// DiscCursor; posted, or on failure cancelled so that the cursor is left as it was.
DbStatus StoreDiscRecord(Catalogue& catalogue, bool append);

// The multi-line text of the detail pane's data tab.
std::string DiscSummary(const DiscRecord& disc, const std::string& machineName);

// slot when the machine has a row for it, else -1.
DbResult<int> IsSlotUsed(Catalogue& catalogue, int machine, int slot);

// The stored title (trimmed) of the machine's disc in the slot, read without moving DiscCursor;
// empty when the slot has no row.
DbResult<std::string> StoredTitle(Catalogue& catalogue, int machine, int slot);

// The lowest slot from 1 up that no row of the machine uses; may exceed the machine's capacity.
DbResult<int> FindFreeSlot(Catalogue& catalogue, int machine);

// Removes the disc's row, asking first unless silent; the disc leaves the category tree and
// the views are told. False when there is no such row or the person cancelled.
DbResult<bool> DeleteDisc(Catalogue& catalogue, int machine, int slot, bool silent);

// Moves a disc to another category (only the Category column changes). False when there is
// no such row or it already has that category.
DbResult<bool> SetDiscCategory(Catalogue& catalogue, int machine, int slot, int categoryId);

// Gives a disc a new title; Misc1 is rewritten without a "Title=" line so the new title shows.
// False when there is no such row.
DbResult<bool> ChangeDiscTitle(Catalogue& catalogue, int machine, int slot, std::string_view title);

} // namespace kavro
