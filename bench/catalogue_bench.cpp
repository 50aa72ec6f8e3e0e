// Catalogue benchmark: a catalogue of 4,800 discs, each with a stored tree of 2,000 entries, is
// generated in a temporary folder; then the program's own paths (open, load the categories,
// read every record and build the category tree, LocateDisc, FindFreeSlot, LoadDiscTree) are
// timed and printed as ratios against the sqlite3 command-line tool reading the same rows.
//
// Usage: catalogue_bench [--discs N] [--entries N] [--keep]

#include "BenchSupport.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "platform/SystemClock.h"
#include "platform/Texts.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}


constexpr int kMachines = 32;
constexpr int kSlots = 150;
constexpr int kCategories = 60;

// A tree shaped like a data disc: folders under the root, files in each folder, breadth-first.
kavro::FileTree makeTree(int entries)
{
    kavro::FileTree t;
    kavro::TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = t.appendName("E:");
    t.entries.push_back(root);
    const int folders = std::max(1, std::min(20, (entries - 3) / 4));
    const int rest = entries - 1 - (folders + 1) - folders; // files, besides the terminators
    for (int f = 0; f < folders; ++f) {
        kavro::TreeIndexEntry e;
        e.parent = 0;
        e.attributes = kavro::TreeIndexEntry::DirectoryBit;
        char name[32];
        std::snprintf(name, sizeof name, "FOLDER%02d", f);
        e.nameOffset = t.appendName(name);
        std::snprintf(e.findData.fileName, sizeof e.findData.fileName, "%s", name);
        t.entries.push_back(e);
    }
    t.entries.push_back(kavro::TreeIndexEntry::terminator(0));
    for (int f = 0; f < folders; ++f) {
        t.entries[static_cast<std::size_t>(1 + f)].firstChild = static_cast<int>(t.entries.size());
        const int files = rest / folders + (f < rest % folders ? 1 : 0);
        for (int i = 0; i < files; ++i) {
            kavro::TreeIndexEntry e;
            e.parent = 1 + f;
            e.attributes = 32;
            e.size = 1000 + i * 37;
            e.dosDateTime = 0x58A36C21;
            char name[32];
            std::snprintf(name, sizeof name, "FILE%04d.DAT", i);
            e.nameOffset = t.appendName(name);
            std::snprintf(e.findData.fileName, sizeof e.findData.fileName, "%s", name);
            t.entries.push_back(e);
        }
        t.entries.push_back(kavro::TreeIndexEntry::terminator(1 + f));
    }
    return t;
}

bool check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        return false;
    }
    return true;
}

// Fills the catalogue file directly, in one transaction without syncs: generation is setup,
// not what is measured.
bool generate(const std::filesystem::path& file, int discs, int entries)
{
    sqlite3* db = nullptr;
    if (!check(sqlite3_open(file.c_str(), &db), db, "open"))
        return false;
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* cat = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO CATEGORY (CATEGORYNAME, CATEGORYID) VALUES (?1, ?2)", -1, &cat,
                       nullptr);
    for (int c = 1; c <= kCategories; ++c) {
        const std::string name = "Category " + std::to_string(c);
        sqlite3_bind_text(cat, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(cat, 2, c);
        sqlite3_step(cat);
        sqlite3_reset(cat);
    }
    sqlite3_finalize(cat);

    const kavro::FileTree tree = makeTree(entries);
    const std::string index = tree.indexBlock();
    const std::string created = kavro::CatalogueTimestamp(std::chrono::system_clock::now());
    sqlite3_stmt* ins = nullptr;
    if (!check(sqlite3_prepare_v2(
                   db,
                   "INSERT INTO KAVRO (Slot, MachineNo, Categoryname, TitleA, Barcode, Misc1, Remark,"
                   " TreeIndex, TreeData, TreeIndexS, TreeDataS, Category, CreateDate, Devicetype)"
                   " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)",
                   -1, &ins, nullptr),
               db, "prepare"))
        return false;
    std::mt19937 random(7);
    for (int i = 0; i < discs; ++i) {
        const int machine = 100000 + i / kSlots % kMachines;
        const int slot = i % kSlots + 1;
        const int category = static_cast<int>(random() % kCategories) + 1;
        const std::string title = "Disc title " + std::to_string(random() % 100000);
        const std::string misc = "Other=notes for disc " + std::to_string(i) + "\r\nVolume=VOL" +
                                 std::to_string(i) + "\r\nSerial=" + std::to_string(random()) +
                                 "\r\nFileSystem=CDFS";
        sqlite3_bind_int(ins, 1, slot);
        sqlite3_bind_int(ins, 2, machine);
        sqlite3_bind_text(ins, 3, ("Category " + std::to_string(category)).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 4, title.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 5, std::to_string(4710000 + i).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 6, misc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 7, "remark", -1, SQLITE_STATIC);
        sqlite3_bind_blob(ins, 8, index.data(), static_cast<int>(index.size()), SQLITE_STATIC);
        sqlite3_bind_blob(ins, 9, tree.pool.data(), static_cast<int>(tree.pool.size()), SQLITE_STATIC);
        sqlite3_bind_int(ins, 10, tree.entryCount());
        sqlite3_bind_int(ins, 11, tree.poolBytes());
        sqlite3_bind_int(ins, 12, category);
        sqlite3_bind_text(ins, 13, created.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 14, "KZ350VN", -1, SQLITE_STATIC);
        if (!check(sqlite3_step(ins), db, "insert"))
            return false;
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    const bool ok = check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
    return ok;
}

// Runs the sqlite3 tool on a script and returns the wall time of the whole run.
double timeSqliteTool(const std::filesystem::path& file, const std::filesystem::path& script)
{
    const std::string command =
        "sqlite3 -readonly '" + file.string() + "' < '" + script.string() + "' > /dev/null";
    const auto start = Clock::now();
    const int rc = std::system(command.c_str());
    const double t = secondsSince(start);
    if (rc != 0)
        std::fprintf(stderr, "sqlite3 failed (%d): %s\n", rc, command.c_str());
    return t;
}

std::filesystem::path writeScript(const std::filesystem::path& folder, const std::string& name,
                                  const std::string& body)
{
    const auto path = folder / name;
    std::ofstream(path) << body;
    return path;
}

void report(const char* what, double ours, double tool, const char* unit = "s")
{
    const double scale = std::strcmp(unit, "ms") == 0 ? 1e3 : (std::strcmp(unit, "us") == 0 ? 1e6 : 1.0);
    std::printf("%-44s %10.3f %s   sqlite3 tool %10.3f %s   ratio %6.2f\n", what, ours * scale, unit,
                tool * scale, unit, tool > 0 ? ours / tool : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    int discs = kMachines * kSlots;
    int entries = 2000;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--discs" && i + 1 < argc)
            discs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--entries" && i + 1 < argc)
            entries = std::max(8, std::atoi(argv[++i]));
        else if (a == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--discs N] [--entries N] [--keep]\n", argv[0]);
            return 2;
        }
    }
    if (std::system("sqlite3 -version > /dev/null 2>&1") != 0) {
        std::fprintf(stderr, "the sqlite3 command-line tool is needed for the reference times\n");
        return 1;
    }

    char pattern[] = "/tmp/kavro-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder(made);
    std::filesystem::create_directories(folder / "Data");
    auto person = kavro::bench::quietPerson();
    kavro::SystemClock clock;
    kavro::DefaultTexts texts;

    int result = 0;
    {
        kavro::Catalogue schemaOnly(folder, person, texts, clock);
        if (auto s = schemaOnly.open(); !s) {
            std::fprintf(stderr, "%s\n", s.error().c_str());
            return 1;
        }
    }
    auto start = Clock::now();
    if (!generate(folder / "KAVRO2.MDB", discs, entries))
        return 1;
    const double generation = secondsSince(start);
    std::printf("generated %d discs x %d entries in %.1f s (%.0f MB)\n", discs, entries, generation,
                static_cast<double>(std::filesystem::file_size(folder / "KAVRO2.MDB")) / 1e6);

    // Reference runs first, so both sides read from a warm file cache.
    const auto readAll =
        writeScript(folder, "read.sql",
                    "SELECT * FROM CATEGORY;\nSELECT MachineNo, Slot, Categoryname, TitleA, Barcode,"
                    " Remark, CreateDate, TreeIndexS, Devicetype, Category, Misc1 FROM KAVRO;\n");
    timeSqliteTool(folder / "KAVRO2.MDB", readAll);
    const double toolRead = timeSqliteTool(folder / "KAVRO2.MDB", readAll);

    std::mt19937 random(11);
    const int lookups = 20000;
    std::vector<std::pair<int, int>> keys;
    std::string locateSql;
    for (int i = 0; i < lookups; ++i) {
        const int d = static_cast<int>(random() % static_cast<unsigned>(discs));
        keys.emplace_back(100000 + d / kSlots % kMachines, d % kSlots + 1);
        locateSql += "SELECT rowid FROM KAVRO WHERE MachineNo=" + std::to_string(keys.back().first) +
                     " AND Slot=" + std::to_string(keys.back().second) + ";\n";
    }
    const double toolLocate =
        timeSqliteTool(folder / "KAVRO2.MDB", writeScript(folder, "locate.sql", locateSql)) / lookups;
    const int freeRuns = 2000;
    std::string freeSql;
    for (int i = 0; i < freeRuns; ++i)
        freeSql +=
            "SELECT Slot,MachineNo From KAVRO WHERE machineNO=" + std::to_string(100000 + i % kMachines) +
            " Order by Slot;\n";
    const double toolFree =
        timeSqliteTool(folder / "KAVRO2.MDB", writeScript(folder, "free.sql", freeSql)) / freeRuns;
    const int treeLoads = 200;
    std::string treeSql;
    for (int i = 0; i < treeLoads; ++i)
        treeSql +=
            "SELECT * FROM KAVRO WHERE MachineNo=" + std::to_string(keys[static_cast<std::size_t>(i)].first) +
            " AND Slot=" + std::to_string(keys[static_cast<std::size_t>(i)].second) + ";\n";
    const double toolTree =
        timeSqliteTool(folder / "KAVRO2.MDB", writeScript(folder, "tree.sql", treeSql)) / treeLoads;

    {
        start = Clock::now();
        kavro::Catalogue catalogue(folder, person, texts, clock);
        if (auto s = catalogue.open(); !s) {
            std::fprintf(stderr, "%s\n", s.error().c_str());
            return 1;
        }
        const double opening = secondsSince(start);
        const auto loaded = kavro::LoadCategories(catalogue);
        const double categories = secondsSince(start) - opening;

        // Read every record and file it under its category, as the main window's tree is built.
        auto readStart = Clock::now();
        int read = 0;
        kavro::DiscCursor& cursor = catalogue.discCursor();
        kavro::CategoryList& list = catalogue.categories();
        for (cursor.first(); !cursor.eof(); cursor.next()) {
            if (!kavro::ReadDiscRecord(catalogue))
                break;
            ++read;
            const kavro::DiscRecord& d = catalogue.currentDisc();
            if (d.categoryIndex < 0 || !list[d.categoryIndex].node)
                continue;
            kavro::TreeNode& node = list[d.categoryIndex].node->addChild(d.title, kavro::NodeKind::Disc);
            node.machine = d.machine;
            node.slot = d.slot;
        }
        catalogue.categoryTree().sort();
        const double reading = secondsSince(readStart);
        const double total = secondsSince(start);
        if (read != discs || !loaded.ok()) {
            std::fprintf(stderr, "read %d of %d records\n", read, discs);
            result = 1;
        }
        std::printf("open %.3f s, categories %.3f s, records and tree %.3f s\n", opening, categories,
                    reading);
        report("open + categories + every record + tree", total, toolRead);

        start = Clock::now();
        int found = 0;
        for (const auto& [m, s] : keys)
            found += kavro::LocateDisc(catalogue, m, s) ? 1 : 0;
        const double locate = secondsSince(start) / lookups;
        if (found != lookups)
            result = 1;
        report("LocateDisc (one lookup)", locate, toolLocate, "us");

        start = Clock::now();
        int slotSum = 0;
        for (int i = 0; i < freeRuns; ++i)
            slotSum += kavro::FindFreeSlot(catalogue, 100000 + i % kMachines).valueOr(0);
        const double freeSlot = secondsSince(start) / freeRuns;
        if (slotSum <= 0)
            result = 1;
        report("FindFreeSlot (one machine)", freeSlot, toolFree, "us");

        start = Clock::now();
        std::size_t bytes = 0;
        for (int i = 0; i < treeLoads; ++i) {
            const auto& [m, s] = keys[static_cast<std::size_t>(i)];
            kavro::LoadDiscTree(catalogue, m, s);
            bytes += static_cast<std::size_t>(catalogue.fileTree().entryCount());
        }
        const double tree = secondsSince(start) / treeLoads;
        if (bytes == 0)
            result = 1;
        report("LoadDiscTree (one disc)", tree, toolTree, "ms");
    }

    if (keep) {
        std::printf("kept %s\n", folder.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    return result;
}
