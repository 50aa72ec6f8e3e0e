#include "catalogue/records/CatalogueBackup.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/database/Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <utility>
#include <vector>

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

std::string SafetyCopyName::shownTime() const
{
    return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(9, 2) +
           ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2);
}

std::optional<SafetyCopyName> ParseSafetyCopyName(std::string_view name)
{
    const auto upper = [](std::string_view s) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return out;
    };
    const std::string n = upper(name);
    // KAVRO2-YYYYMMDD-HHMMSS[-n].MDB
    if (n.size() < 26 || n.compare(0, 7, "KAVRO2-") != 0 || n.compare(n.size() - 4, 4, ".MDB") != 0)
        return std::nullopt;
    const std::string stamp = n.substr(7, 15);
    for (std::size_t i = 0; i < stamp.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (i == 8 ? stamp[i] != '-' : !digit)
            return std::nullopt;
    }
    SafetyCopyName parsed{stamp, 1};
    const std::string rest = n.substr(22, n.size() - 4 - 22);
    if (!rest.empty()) {
        if (rest.size() < 2 || rest.size() > 6 || rest[0] != '-')
            return std::nullopt;
        int number = 0;
        for (std::size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] < '0' || rest[i] > '9')
                return std::nullopt;
            number = number * 10 + (rest[i] - '0');
        }
        parsed.number = number;
    }
    return parsed;
}

int PruneSafetyCopies(const std::filesystem::path& folder, int keep)
{
    std::vector<std::pair<std::pair<std::string, int>, std::filesystem::path>> copies;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (!it->is_regular_file(typeEc))
            continue;
        if (const auto parsed = ParseSafetyCopyName(it->path().filename().string()))
            copies.push_back({{parsed->stamp, parsed->number}, it->path()});
    }
    std::sort(copies.begin(), copies.end());
    int removed = 0;
    for (std::size_t i = 0; i + static_cast<std::size_t>(std::max(keep, 0)) < copies.size(); ++i) {
        std::error_code removeEc;
        if (std::filesystem::remove(copies[i].second, removeEc))
            ++removed;
    }
    return removed;
}

DbResult<std::filesystem::path> BackupBeforeChange(Catalogue& catalogue)
{
    const auto folder = catalogue.programFolder() / "Backup";
    auto copy = CopyCatalogue(catalogue.database(), folder, std::chrono::system_clock::now());
    if (copy)
        PruneSafetyCopies(folder);
    return copy;
}

} // namespace kavro
