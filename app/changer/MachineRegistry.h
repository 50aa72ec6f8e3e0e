#pragma once

#include "catalogue/database/DbResult.h"

#include <string>
#include <string_view>
#include <vector>

namespace kavro {

struct ChangerContext;

// The machine registry: MachineTable in memory, the CDDEVICE table and its plain-text copy
// Data/dbid.txt. Machines are only ever added; a machine that leaves keeps its entry and gets it
// back when it returns.

// As the main window comes up, before the registry: DefaultModel "KZ350VN", the library opened,
// KnownMachineCount from it, DriveMachineCount 0.
void OpenChangers(ChangerContext& ctx);

// Fills MachineTable from CDDEVICE, or from dbid.txt when the table is empty (adding a row for
// each named line); the number of entries. Names of ready machines with a drive go into the
// machine-name box, and the last such machine becomes CurrentMachine at slot 1.
DbResult<int> LoadRegistry(ChangerContext& ctx);

// Re-opens the library and registers machines not yet known (asking each one's name), then
// refreshes the machine-name box, DriveMachineCount and whether the machine bar shows. Returns at
// once while a rescan is running. On a failure the rescan ends and the device monitor starts.
DbStatus RescanMachines(ChangerContext& ctx);

// Whether a number read as a machine id can be one: positive, 24 bits, and not the first
// letters of a reply word ("BUSY" read as an id).
bool IsMachineId(int id);

// Fills the entry after the last one for a new id, asking the person for its name (asked again
// while the name is another machine's; no answer keeps "KAVRO<id>"). 1 when it did, and the
// caller completes the entry and raises the count; 0 for an id of 0 or less, a known id or a
// full table, and then nothing is asked.
int RegisterMachine(ChangerContext& ctx, int id);

// Writes every entry to CDDEVICE (updating the rows there, adding the others) and writes
// dbid.txt anew with the entries whose active value is not 1. 0, or -1 when dbid.txt cannot
// be written (after the table was updated).
DbResult<int> SaveRegistry(ChangerContext& ctx);

// One line of dbid.txt: the id (0 when the first field is no number) and the name when the line
// has a second field.
struct MachineListLine {
    int id = 0;
    bool hasName = false;
    std::string name;
};
MachineListLine ParseMachineListLine(std::string_view line);

// The lines of dbid.txt's bytes (UTF-8, else Big5), each at most 254 characters.
std::vector<std::string> MachineListLines(std::string_view bytes);

} // namespace kavro
