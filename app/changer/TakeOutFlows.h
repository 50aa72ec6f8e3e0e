#pragma once

#include "changer/RetrieveLog.h"

#include <optional>
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
// slot and makes the record of Data/Retrieve.log. With `pending` the record is handed back for
// the caller to append once TakeOut has brought the slot to the door; without it the record is
// appended at once, and only when the machine took the door command. Either way the log never
// claims a take-out the machine refused. The dialog's result is kept in ctx.takeOutResult (0
// when the flow stopped before the dialog). 0, or -1 when the log cannot be opened (the
// take-out still follows).
int TakeOutWithLog(ChangerContext& ctx, TakeOutDialog& dialog, int machine, int slot,
                   const std::string& title, std::optional<RetrieveRecord>* pending = nullptr);

// Appends a record to Data/Retrieve.log; false when it could not be written.
bool AppendRetrieveRecord(ChangerContext& ctx, const RetrieveRecord& record);

// Readiness, the drive check of a machine with a drive, the drive state, then the slot is
// brought to the door under the busy cursor. True when the machine took the move; a move it did
// not take is reported to the person.
bool TakeOut(ChangerContext& ctx, int machine, int slot);

} // namespace kavro
