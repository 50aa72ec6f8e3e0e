#pragma once

#include <filesystem>
#include <string>

namespace kavro {

class Catalogue;

// Backup (toolbar "備份", menu "備份資料") once the folder picker has been answered: a copy of the
// catalogue as "KAVRO2.MDB" in the chosen folder.
struct CatalogueBackupResult {
    enum class Outcome {
        NoFolder, // the picker was cancelled
        SameFile, // the folder is the program's own: the catalogue would be copied onto itself
        Refused,  // an older backup is there and the person kept it
        Written,
        Failed, // the person was told why; an older backup there is untouched
    };
    Outcome outcome = Outcome::NoFolder;
    std::filesystem::path target;
    std::string error;
};

// Asks before replacing an existing backup (1007). The copy is a consistent catalogue even
// while the program has it open: it is written beside the target under another name and takes
// the target's place only once complete, so a failed copy never costs the older backup.
CatalogueBackupResult BackupCatalogueTo(Catalogue& catalogue, const std::string& chosenFolder);

} // namespace kavro
