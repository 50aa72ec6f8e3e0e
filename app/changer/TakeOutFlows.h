#pragma once

#include <string>

namespace kavro {

struct ChangerContext;
class TakeOutDialog;

// Taking a disc out at a machine's front door ("光碟置取").

// Where the take-out was started from: the toolbar and the disc menus of TreeView1 and ListView2
// stop the device monitor around it; double clicks and the search menu leave it alone.
enum class TakeOutSource { StopsMonitor, LeavesMonitor };

// The take-out entry point for a selected disc: with RetrieveLog on, TakeOutWithLog and then
// TakeOut when the person confirmed; with it off, TakeOut alone.
void TakeOutDisc(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot, const std::string& title,
                 TakeOutSource source);

// Readiness (twice), the drive check of a machine with a drive (the slot's disc in the drive
// refuses the take-out), the drive state, then the dialog; when confirmed, opens the door at the
// slot and appends a record to Data/Retrieve.log. The dialog's result is kept in
// ctx.takeOutResult (0 when the flow stopped before the dialog). 0, or -1 when the log cannot
// be opened (the take-out still follows).
int TakeOutWithLog(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot,
                   const std::string& title);

// Readiness, the drive check of a machine with a drive, the drive state, then the slot is
// brought to the door under the busy cursor.
void TakeOut(ChangerContext& ctx, int machine, int slot);

} // namespace kavro
