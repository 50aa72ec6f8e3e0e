// Disc scan benchmark: a folder tree of 100,000 items (folders three levels deep, files of
// assorted sizes) is generated in a temporary folder and mapped to drive E:. ScanDiscTree over
// it is timed against `find` over the same folder in the same run (once listing only, once
// examining every item as the scan does); then the scanned tree is written into a disc record of
// a fresh catalogue and read back with LoadDiscTree, against plain SQLite statements storing and
// reading the same two blocks.
//
// Usage: scan_bench [--items N] [--runs N] [--dir FOLDER] [--keep]

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "content/DiscScan.h"
#include "platform/Drives.h"
#include "platform/Person.h"
#include "platform/SystemClock.h"
#include "platform/Texts.h"

#include "support/QuietPerson.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The best of several runs: the least disturbed by the rest of the machine.
double best(int runs, const std::function<void()>& work)
{
    double fastest = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        fastest = std::min(fastest, secondsSince(start));
    }
    return fastest;
}

// 10 x 10 x 10 folders; the files are spread over the deepest ones. Returns the item count.
int generateTree(const fs::path& root, int items)
{
    int made = 0;
    std::vector<fs::path> leaves;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c) {
                char name[64];
                std::snprintf(name, sizeof name, "Volume %02d/Chapter %02d/Section %02d", a, b, c);
                leaves.push_back(root / name);
                fs::create_directories(leaves.back());
            }
    made += 10 + 100 + 1000;
    const int files = std::max(0, items - made);
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "document-%06d.%s", i,
                      i % 3 == 0 ? "txt" : (i % 3 == 1 ? "jpg" : "dat"));
        const fs::path file = leaves[static_cast<std::size_t>(i) % leaves.size()] / name;
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            std::perror(file.c_str());
            return made;
        }
        // Sparse sizes: the scan reads sizes, never contents.
        if (::ftruncate(fd, static_cast<off_t>((i * 7919) % 5000000)) != 0)
            std::perror("ftruncate");
        ::close(fd);
        ++made;
    }
    return made;
}

double timeCommand(const std::string& command, int runs)
{
    return best(runs, [&] {
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "failed: %s\n", command.c_str());
    });
}

// The reference for the record: the same two blocks inserted with a prepared statement into a
// table of their own, and selected back, in a file of the same folder.
bool sqliteRoundTrip(const fs::path& file, const kavro::FileTree& tree, double& write, double& read, int runs)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "CREATE TABLE T (id INTEGER PRIMARY KEY, idx BLOB, data BLOB)", nullptr, nullptr,
                 nullptr);
    const std::string index = tree.indexBlock();
    int id = 0;
    write = best(runs, [&] {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO T (id, idx, data) VALUES (?1, ?2, ?3)", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, ++id);
        sqlite3_bind_blob(s, 2, tree.entries.data(), static_cast<int>(index.size()), SQLITE_STATIC);
        sqlite3_bind_blob(s, 3, tree.pool.data(), tree.poolBytes(), SQLITE_STATIC);
        sqlite3_step(s);
        sqlite3_finalize(s);
    });
    std::size_t total = 0;
    read = best(runs, [&] {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(db, "SELECT idx, data FROM T WHERE id = ?1", -1, &s, nullptr);
        sqlite3_bind_int(s, 1, id);
        if (sqlite3_step(s) == SQLITE_ROW) {
            const std::string a(static_cast<const char*>(sqlite3_column_blob(s, 0)),
                                static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
            const std::string b(static_cast<const char*>(sqlite3_column_blob(s, 1)),
                                static_cast<std::size_t>(sqlite3_column_bytes(s, 1)));
            total += a.size() + b.size();
        }
        sqlite3_finalize(s);
    });
    sqlite3_close(db);
    return total > 0;
}

void report(const char* what, double ours, const char* reference, double theirs)
{
    std::printf("%-34s %9.2f ms   %-22s %9.2f ms   ratio %5.2f\n", what, ours * 1e3, reference, theirs * 1e3,
                theirs > 0 ? ours / theirs : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    int items = 100000;
    int runs = 3;
    std::string dir;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--items" && i + 1 < argc)
            items = std::max(1200, std::atoi(argv[++i]));
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--dir" && i + 1 < argc)
            dir = argv[++i];
        else if (a == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--items N] [--runs N] [--dir FOLDER] [--keep]\n", argv[0]);
            return 2;
        }
    }

    std::string pattern =
        (dir.empty() ? fs::temp_directory_path() : fs::path(dir)) / "kavro-scan-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder(pattern);
    const fs::path disc = folder / "disc";
    fs::create_directories(disc);
    fs::create_directories(folder / "program" / "Data");

    auto start = Clock::now();
    const int made = generateTree(disc, items);
    std::printf("generated %d items in %.1f s under %s\n", made, secondsSince(start), disc.c_str());

    const kavro::Drives drives = kavro::Drives::build(kavro::Drives::System{}, [&](char letter) {
        return letter == 'E' ? disc.string() + ";cdrom" : std::string();
    });
    kavro::SystemClock clock;
    kavro::FileTree tree;

    // Warm the caches for both sides, then take the best of the runs of each.
    const std::string quoted = "'" + disc.string() + "'";
    timeCommand("find " + quoted + " -printf '%s %T@ %m\\n' > /dev/null", 1);
    const double findNames = timeCommand("find " + quoted + " > /dev/null", runs);
    const double findStat = timeCommand("find " + quoted + " -printf '%s %T@ %m\\n' > /dev/null", runs);
    kavro::ScanSummary summary;
    const double scan = best(runs, [&] { summary = kavro::ScanDiscTree(tree, 'E', drives, clock); });
    std::printf("scan: %d entries, %d name bytes%s\n", tree.entryCount(), tree.poolBytes(),
                summary.limitReached ? " (limit reached)" : "");
    report("ScanDiscTree", scan, "find (names)", findNames);
    report("ScanDiscTree", scan, "find -printf size,time", findStat);

    // The record of the scanned tree, through the catalogue.
    kavro::test::QuietPerson person(false, stderr);
    kavro::DefaultTexts texts;
    kavro::Catalogue catalogue(folder / "program", person, texts, clock);
    if (auto s = catalogue.open(); !s) {
        std::fprintf(stderr, "%s\n", s.error().c_str());
        return 1;
    }
    catalogue.fileTree() = tree;
    int slot = 0;
    bool written = true;
    const double write = best(runs, [&] {
        kavro::DiscRecord& d = catalogue.currentDisc();
        d = kavro::DiscRecord{};
        d.machine = 1001;
        d.slot = ++slot;
        d.title = "Benchmark disc";
        d.volume = "BENCH";
        d.serial = "12345";
        d.fileSystem = "CDFS";
        written = written && catalogue.discCursor().append().ok() && kavro::WriteDiscRecord(catalogue).ok() &&
                  catalogue.discCursor().post().ok();
    });
    bool loaded = true;
    const double read = best(runs, [&] {
        loaded = loaded && kavro::LoadDiscTree(catalogue, 1001, slot) &&
                 catalogue.fileTree().entryCount() == tree.entryCount() &&
                 catalogue.fileTree().poolBytes() == tree.poolBytes();
    });
    if (!written || !loaded) {
        std::fprintf(stderr, "the record did not round-trip\n");
        return 1;
    }
    double sqlWrite = 0;
    double sqlRead = 0;
    if (!sqliteRoundTrip(folder / "reference.db", tree, sqlWrite, sqlRead, runs)) {
        std::fprintf(stderr, "reference statements failed\n");
        return 1;
    }
    std::printf("record: %.1f MB of entries, %.1f MB of names\n",
                static_cast<double>(tree.entryCount()) * kavro::FileTree::EntryBytes / 1e6,
                static_cast<double>(tree.poolBytes()) / 1e6);
    report("write record (WriteDiscRecord)", write, "sqlite3 INSERT", sqlWrite);
    report("read back (LoadDiscTree)", read, "sqlite3 SELECT", sqlRead);

    catalogue.close();
    if (!keep)
        fs::remove_all(folder);
    else
        std::printf("kept %s\n", folder.c_str());
    return 0;
}
