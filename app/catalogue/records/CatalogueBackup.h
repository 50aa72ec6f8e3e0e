#pragma once

#include "catalogue/database/DbResult.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavro {

class Catalogue;
class Database;

// Copies the open catalogue into folder as "KAVRO2-YYYYMMDD-HHMMSS.MDB" (local time of now; a
// suffix "-2", "-3", ... when that name is taken), making the folder when missing. The copy is
// consistent even while the catalogue is open. Returns the copy's path.
DbResult<std::filesystem::path> CopyCatalogue(Database& db, const std::filesystem::path& folder,
                                              std::chrono::system_clock::time_point now);

// How many safety copies (KAVRO2-YYYYMMDD-HHMMSS.MDB) the Backup folder keeps; older ones are
// removed after each new copy. Backups the person made elsewhere or named otherwise are not
// touched.
inline constexpr int kKeptSafetyCopies = 10;

// The stamp "YYYYMMDD-HHMMSS" and suffix number (1 without suffix) of a safety copy's file
// name, compared without regard to case; nullopt for any other name.
struct SafetyCopyName {
    std::string stamp;
    int number = 1;
    // "YYYY-MM-DD HH:MM:SS", for the person.
    std::string shownTime() const;
};
std::optional<SafetyCopyName> ParseSafetyCopyName(std::string_view fileName);

// Removes the oldest safety copies of folder until keep are left; the number removed.
int PruneSafetyCopies(const std::filesystem::path& folder, int keep = kKeptSafetyCopies);

// The copy taken before an operation that changes many rows at once (restore, import, swap ID,
// deleting a category): into the program folder's Backup folder. Call it before the
// transaction begins; when it fails, do not start the operation.
DbResult<std::filesystem::path> BackupBeforeChange(Catalogue& catalogue);

} // namespace kavro
