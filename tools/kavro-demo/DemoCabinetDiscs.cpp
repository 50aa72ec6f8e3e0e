#include "DemoCabinetDiscs.h"

#include "shell/Settings.h"
#include "shell/StartUp.h"

#include <sqlite3.h>

#include <fstream>
#include <set>
#include <vector>

namespace kavro {

namespace fs = std::filesystem;

namespace {

constexpr int kDriveCabinet = 0x0A0B0C;

const char* const kLabels[] = {"HOLIDAY_2016", "TAX_PAPERS", "GAMES_CD",    "DRIVERS_2019", "MUSIC_MP3",
                               "SCANS_1998",   "OFFICE_BAK", "PHOTO_ALBUM", "WEBSITE",      "SOURCE_CODE"};
const char* const kFiles[] = {"readme.txt", "setup.exe", "index.htm", "photo01.jpg", "photo02.jpg",
                              "notes.doc",  "data.zip",  "track01.mp3", "invoice_2019.pdf", "manual.pdf"};

std::set<int> cataloguedSlots(const fs::path& catalogueFile)
{
    std::set<int> slots;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(catalogueFile.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT Slot FROM KAVRO WHERE MachineNo=?", -1, &stmt, nullptr) == SQLITE_OK) {
            sqlite3_bind_int(stmt, 1, kDriveCabinet);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                slots.insert(sqlite3_column_int(stmt, 0));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return slots;
}

} // namespace

std::string MakeDemoCabinetDiscs(const fs::path& programFolder, const fs::path& catalogueFile)
{
    std::vector<int> filled;
    for (int s = 1; s <= 40; ++s)
        filled.push_back(s);
    filled.push_back(45);
    for (int s = 50; s <= 60; ++s)
        filled.push_back(s);
    const std::set<int> known = cataloguedSlots(catalogueFile);

    const fs::path discs = programFolder / "DemoDiscs";
    const fs::path drive = programFolder / "DemoDrive";
    std::string discLines;
    std::error_code ec;
    int n = 0;
    for (const int slot : filled) {
        if (known.count(slot) != 0)
            continue;
        // Every fifth unknown disc cannot be read, as happens with a scratched one.
        if (n % 5 == 4) {
            ++n;
            continue;
        }
        const std::string label = std::string(kLabels[n % std::size(kLabels)]) + "_" + std::to_string(slot);
        const fs::path folder = discs / label;
        fs::create_directories(folder / "more", ec);
        for (int f = 0; f < 4 + n % 6; ++f) {
            const fs::path file = (f % 3 == 2 ? folder / "more" : folder) / kFiles[(n + f) % std::size(kFiles)];
            std::ofstream(file) << label << " " << f << "\n";
        }
        discLines += "disc." + std::to_string(slot) + " = " + folder.string() + "\n";
        ++n;
    }

    std::ofstream sim(programFolder / "Data/demo-cabinets.sim");
    sim << "# The demo cabinets of this folder (made by kavro-demo), with shortened movement times.\n"
           "# The format is described in README.md under \"Simulated cabinets\".\n\n"
           "[cabinet with drive]\nid = 0x0A0B0C\nmodel = KZ350VN\nslots = 100\nfilled = 1-40, 45, 50-60\n"
           "counter = 42\ndoor-ms = 1200\ndown-ms = 600\nload-ms = 2500\nreturn-ms = 2000\nreset-ms = 800\n"
        << "drive-folder = " << drive.string() << "\n"
        << discLines
        << "\n[cabinet without drive]\nid = 0x0D0E0F\nmodel = 1234567-150\nslots = 150\nfilled = 1-120\n"
           "door-ms = 1200\ndown-ms = 600\nreset-ms = 800\n";
    if (!sim)
        return (programFolder / "Data/demo-cabinets.sim").string() + " could not be written";

    Settings settings(startup::chooseSettingsFile(programFolder.string() + "/"));
    if (!settings.writeString("Drives", "E", drive.string() + ";cdrom") ||
        !settings.writeString("System", "Cdrom", "E:"))
        return settings.file().string() + " could not be written";
    return {};
}

} // namespace kavro
