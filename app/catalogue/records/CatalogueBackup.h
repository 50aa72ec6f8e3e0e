#pragma once

#include "catalogue/database/DbResult.h"

#include <chrono>
#include <filesystem>

namespace kavro {

class Catalogue;
class Database;

// Copies the open catalogue into folder as "KAVRO2-YYYYMMDD-HHMMSS.MDB" (local time of now; a
// suffix "-2", "-3", ... when that name is taken), making the folder when missing. The copy is
// consistent even while the catalogue is open. Returns the copy's path.
DbResult<std::filesystem::path> CopyCatalogue(Database& db, const std::filesystem::path& folder,
                                              std::chrono::system_clock::time_point now);

// The copy taken before an operation that changes many rows at once (restore, import, swap ID,
// deleting a category): into the program folder's Backup folder. Call it before the
// transaction begins; when it fails, do not start the operation.
DbResult<std::filesystem::path> BackupBeforeChange(Catalogue& catalogue);

} // namespace kavro
