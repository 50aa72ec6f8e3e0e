#pragma once

#include <string>

namespace kavro {

// The machine registry (MachineTable and SaveRegistry) as the imports see it. The main window
// hands in the real registry; tests hand in a table of their own.
class ImportRegistry {
public:
    virtual ~ImportRegistry() = default;

    // Number of registered machines.
    virtual int machineCount() const = 0;
    virtual bool hasMachine(int id) const = 0;
    // Registers a machine found in an older catalogue: its id, its name and its number in that
    // catalogue's machine list (the entry's sequence and import index). False when the table is
    // full.
    virtual bool addMachine(int id, const std::string& name, int oldNumber) = 0;
    // SaveRegistry: false when dbid.txt cannot be created (the database is updated all the same).
    virtual bool save() = 0;
};

} // namespace kavro
