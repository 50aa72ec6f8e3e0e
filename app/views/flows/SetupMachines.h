#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

struct ChangerContext;

// The machine side of the settings dialog: the registered names, renaming in place, and the drive
// use counter of the current machine.

// The names of MachineTable's entries, in table order.
std::vector<std::string> RegisteredMachineNames(const ChangerContext& ctx);

struct MachineRename {
    // The name the machine has afterwards; nullopt when the new name was refused.
    std::optional<std::string> name;
    // Why the registry could not be stored, for the person; empty when it was.
    std::string error;
};

// Gives the machine at a table position a new name and stores the whole registry (CDDEVICE and
// Data/dbid.txt) at once. The name is trimmed and cut to DEVICENAME's 64 characters; the same
// name changes nothing and stores nothing. An empty name or one that another machine has is
// refused, since the machines are found by name. The machine-name box follows the new name.
MachineRename RenameRegisteredMachine(ChangerContext& ctx, int index, std::string_view typed);

struct MachineDriveCounter {
    std::string machineName; // the registry's name, or the number when it has none
    int counter = 0;
};

// GetDriveCounter for CurrentMachine: nullopt unless the call succeeds with a counter above 0.
std::optional<MachineDriveCounter> ReadDriveCounter(ChangerContext& ctx);

} // namespace kavro
