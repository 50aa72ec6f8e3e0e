#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kavro {

// What an import of an older catalogue or a restore did, for the main window to act on.
struct CatalogueRestoreResult {
    // The catalogue's discs were replaced (the change is in the file).
    bool changed = false;
    // Close the main window so that the next start reads the changed catalogue.
    bool endProgram = false;
    // Why nothing was changed, as shown to the person; empty when nothing went wrong.
    std::string error;
    // The copy of the catalogue taken into Backup/ before the change began.
    std::filesystem::path safetyCopy;

    int rowsRead = 0;
    int discsAdded = 0;
    int discsOverwritten = 0;
    int repeatsSkipped = 0;   // repeated machine and slot, answered No
    int wrongMachineRows = 0; // Paradox rows whose old machine number is not in dbid.txt
    int badRows = 0;          // rows whose machine or slot is out of range
    int categoriesCreated = 0;
    int machinesAdded = 0;
    // Paradox rows whose cd_id would name a side file outside its folder; their side files were
    // not read.
    std::vector<std::string> unsafeCdIds;
    // Other things worth telling: side files that could not be read, a full machine table, ...
    std::vector<std::string> notes;
};

} // namespace kavro
