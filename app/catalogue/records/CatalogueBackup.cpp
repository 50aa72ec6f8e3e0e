#include "catalogue/records/CatalogueBackup.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/database/Database.h"

#include <sqlite3.h>

#include <ctime>

namespace kavro {

DbResult<std::filesystem::path> CopyCatalogue(Database& db, const std::filesystem::path& folder,
                                              std::chrono::system_clock::time_point now)
{
    if (!db.isOpen())
        return DbResult<std::filesystem::path>::failure("The catalogue is not open.");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec))
        return DbResult<std::filesystem::path>::failure("Cannot make the backup folder " + folder.string() +
                                                        ".");

    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::filesystem::path target = folder / ("KAVRO2-" + std::string(stamp) + ".MDB");
    for (int n = 2; std::filesystem::exists(target, ec); ++n)
        target = folder / ("KAVRO2-" + std::string(stamp) + "-" + std::to_string(n) + ".MDB");

    // Written under a name no catalogue list shows and given its own name only when complete, so a
    // copy cut short (a full disk, the program killed) never passes for a backup.
    std::filesystem::path part = target;
    part += ".part";
    auto removePart = [&] {
        std::filesystem::remove(part, ec);
        std::filesystem::remove(std::filesystem::path(part.string() + "-journal"), ec);
    };
    removePart();

    sqlite3* copy = nullptr;
    int rc = sqlite3_open_v2(part.c_str(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db.handle(), "main");
        if (backup) {
            rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        } else {
            rc = sqlite3_errcode(copy);
        }
    }
    std::string error = rc == SQLITE_OK ? std::string() : (copy ? sqlite3_errmsg(copy) : sqlite3_errstr(rc));
    if (sqlite3_close(copy) != SQLITE_OK && rc == SQLITE_OK) {
        rc = SQLITE_ERROR;
        error = "the copy cannot be closed";
    }
    if (rc == SQLITE_OK) {
        std::filesystem::rename(part, target, ec);
        if (ec) {
            rc = SQLITE_ERROR;
            error = ec.message();
        }
    }
    if (rc != SQLITE_OK) {
        removePart();
        return DbResult<std::filesystem::path>::failure("Cannot copy the catalogue to " + target.string() +
                                                        ": " + error);
    }
    return target;
}

DbResult<std::filesystem::path> BackupBeforeChange(Catalogue& catalogue)
{
    return CopyCatalogue(catalogue.database(), catalogue.programFolder() / "Backup",
                         std::chrono::system_clock::now());
}

} // namespace kavro
