// Load benchmark: a full cabinet. 32 machines of 150 slots are registered the way the program
// registers machines it finds, and each of their 4,800 discs gets a stored tree of 5,000
// entries (folders three levels deep, realistic names), a picture and its texts. Then the
// program's own paths are timed as the main window runs them, each against a reference
// measured in the same run:
//  - start: open, categories, registry, every disc node, every disc listed (sqlite3 tool
//    reading the same rows);
//  - browsing: a category's discs, a machine's discs (sqlite3 tool selecting them), a disc
//    selected with its record, picture and texts and its stored tree browsed three folders
//    deep (sqlite3 tool reading the disc's row);
//  - sorting the list of every disc on each column, both ways (`sort` over that column);
//  - the quick search typed key by key, also right after a change to the catalogue, and the
//    advanced search on titles and on 24,000,000 file and folder names (`grep -c -F -i` over
//    the same texts, one a line);
//  - the memory each phase needs (peak resident size, and its rise over the phase's start).
// Every time is the best of several runs with the files in the page cache.
//
// Usage: load_bench [--discs N] [--entries N] [--runs N] [--dir FOLDER] [--keep]
// (with --dir the folder is kept, and a catalogue already there is used again)

#include "BenchSupport.h"

#include "catalogue/search/AdvancedSearch.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/records/Categories.h"
#include "catalogue/database/DiscCursor.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/FileFinder.h"
#include "catalogue/search/NameIndex.h"
#include "catalogue/records/DiscTree.h"
#include "catalogue/search/QuickSearch.h"
#include "catalogue/search/SearchScope.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "changer/TorvexCalls.h"
#include "content/ListTreeFolder.h"
#include "platform/SystemClock.h"
#include "platform/Texts.h"
#include "views/lists/BuildDiscNodes.h"
#include "views/lists/DiscList.h"
#include "views/mainwindow/DiscPictureView.h"
#include "views/lists/ListRows.h"
#include "views/lists/ListSort.h"
#include "views/lists/ResultRowList.h"

#include <QImage>

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

namespace {

using namespace kavro;
using namespace kavro::bench;

constexpr int kMachines = 32;
constexpr int kSlots = 150;
constexpr int kFirstMachine = 5001;
constexpr int kDriveMachines = 4; // the first machines have a built-in drive

// The machines of a full cabinet as the changer library reports them.
class CabinetTorvex final : public TorvexCalls {
public:
    int InitUSBKavro() override { return 0; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return kMachines; }
    int EnumDevice(int index) override { return index >= 0 && index < kMachines ? kFirstMachine + index : 0; }
    int USBCDReset(int) override { return 0; }
    int USBCDMoveto(int, int) override { return 0; }
    int USBCDGetCDDown(int) override { return 0; }
    int USBCDLEDON(int) override { return 0; }
    int USBCDLEDOFF(int) override { return 0; }
    int USBCDGetStatus(int) override { return 0; }
    int USBCDGetType(int id, char* text, int* length) override
    {
        const char* model = id < kFirstMachine + kDriveMachines ? "KZ350VN" : "KZ100";
        std::strcpy(text, model);
        *length = static_cast<int>(std::strlen(model));
        return 0;
    }
    int USBCDGetDriveCD(int) override { return 0; }
    int USBCDMovetoDrive(int, int) override { return 0; }
    int USBCDEject(int) override { return 0; }
    int GetDriveCounter(int, int* counter) override
    {
        *counter = 0;
        return 0;
    }
    int USBCDchanged() override { return 0; }
};

// --- memory ---------------------------------------------------------------------------------

struct Memory {
    long peakKb = 0; // VmHWM
    long rssKb = 0;  // VmRSS
    long fileKb = 0; // RssFile: pages of mapped files, the catalogue's among them
};

Memory readMemory()
{
    Memory m;
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        long* field = line.starts_with("VmHWM:")     ? &m.peakKb
                      : line.starts_with("VmRSS:")   ? &m.rssKb
                      : line.starts_with("RssFile:") ? &m.fileKb
                                                     : nullptr;
        if (field)
            *field = std::atol(line.c_str() + line.find(':') + 1);
    }
    return m;
}

// Lowers the peak to the present size, so that each phase shows its own.
bool resetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

struct PhaseMemory {
    Memory start;
    Memory end;
    bool perPhase = false;
};

class MemoryWatch {
public:
    void begin()
    {
        m_perPhase = resetPeak();
        m_start = readMemory();
    }
    PhaseMemory end() const { return {m_start, readMemory(), m_perPhase}; }

private:
    Memory m_start;
    bool m_perPhase = false;
};

// --- the results table ----------------------------------------------------------------------

struct Line {
    std::string what;
    double ms = 0;
    double referenceMs = -1;
    std::string reference;
    std::optional<PhaseMemory> memory;
};

std::vector<Line> g_lines;

void add(std::string what, double ms, double referenceMs, std::string reference,
         std::optional<PhaseMemory> memory = std::nullopt)
{
    std::printf("  %-58s %10.3f ms", what.c_str(), ms);
    if (referenceMs >= 0)
        std::printf("   %-24s %10.3f ms   ratio %6.2f", reference.c_str(), referenceMs, ms / referenceMs);
    std::printf("\n");
    std::fflush(stdout);
    g_lines.push_back({std::move(what), ms, referenceMs, std::move(reference), memory});
}

void addMemory(const std::string& phase, const PhaseMemory& m)
{
    std::printf(
        "  memory of %-20s peak %7.0f MB (rise %+7.0f MB; of it mapped file pages %7.0f MB at the end)%s\n",
        phase.c_str(), m.end.peakKb / 1024.0, (m.end.peakKb - m.start.rssKb) / 1024.0, m.end.fileKb / 1024.0,
        m.perPhase ? "" : " [peak not reset: whole run so far]");
    g_lines.push_back({"memory: " + phase, 0, -1, {}, m});
}

// --- generation -----------------------------------------------------------------------------

const char* const kCategoryFile =
    "Music,1\r\n\tRock,2\r\n\tJazz,3\r\n\tClassical,4\r\nPhotos,5\r\n\tHolidays,6\r\n"
    "\tFamily,7\r\nWork,8\r\n\tProjects,9\r\n\t\tOld projects,10\r\n\tInvoices,11\r\n"
    "Games,12\r\nSoftware,13\r\n\tDrivers,14\r\n\tSetups,15\r\nVideo,16\r\nBackups,17\r\n"
    "\t2023,18\r\n\t2024,19\r\nOther,20\r\n";

// A cover as the add flow stores it: BMP file bytes, 24 bits, 160 x 160.
std::string makeCover(int hue)
{
    const int w = 160, h = 160, stride = w * 3;
    const std::uint32_t pixels = static_cast<std::uint32_t>(stride * h), fileSize = 54 + pixels;
    std::string b(fileSize, '\0');
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, w);
    put32(22, h);
    b[26] = 1;
    b[28] = 24;
    put32(34, pixels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t at = 54 + static_cast<std::size_t>(y * stride + x * 3);
            b[at] = static_cast<char>(hue + x);
            b[at + 1] = static_cast<char>(y * 2);
            b[at + 2] = static_cast<char>((x ^ y) + hue);
        }
    return b;
}

struct Setup {
    int discs = kMachines * kSlots;
    int entries = 5000;
    int runs = 5;
    std::filesystem::path dir;
    bool keep = false;
};

// Fills the catalogue in a child process, so that its memory stays out of the figures.
bool generate(const Setup& setup)
{
    auto person = kavro::bench::quietPerson();
    SystemClock clock;
    DefaultTexts texts;
    std::filesystem::create_directories(setup.dir / "Data");
    std::ofstream(setup.dir / "Data/category.txt", std::ios::binary | std::ios::trunc) << kCategoryFile;
    Catalogue catalogue(setup.dir, person, texts, clock);
    if (auto s = catalogue.open(); !s) {
        std::fprintf(stderr, "%s\n", s.error().c_str());
        return false;
    }
    if (!LoadCategories(catalogue).ok())
        return false;
    // The machines, registered as the program does when it finds them.
    CabinetTorvex torvex;
    ChangerContext ctx(catalogue, torvex, person, clock, texts);
    OpenChangers(ctx);
    if (auto s = RescanMachines(ctx); !s || ctx.machines.count() != kMachines) {
        std::fprintf(stderr, "registering the machines failed: %s\n", s ? "count" : s.error().c_str());
        return false;
    }
    if (!SaveRegistry(ctx).ok())
        return false;

    Database& db = catalogue.database();
    if (!db.exec("PRAGMA synchronous=OFF").ok() || !db.exec("BEGIN").ok())
        return false;
    auto stmt =
        db.prepare("INSERT INTO KAVRO (MachineNo, Slot, Categoryname, TitleA, Barcode, Misc1, Remark, "
                   "TreeIndex, TreeData, Pic, TreeIndexS, TreeDataS, Category, CreateDate, Devicetype) "
                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    if (!stmt)
        return false;
    sqlite3_stmt* s = *stmt;
    std::mt19937 rng(4800);
    std::ofstream names(setup.dir / "names.txt", std::ios::binary | std::ios::trunc);
    std::ofstream titles(setup.dir / "titles.txt", std::ios::binary | std::ios::trunc);
    const std::string created = CatalogueTimestamp(std::chrono::system_clock::now());
    std::vector<std::string> covers;
    for (int hue = 0; hue < 8; ++hue)
        covers.push_back(makeCover(hue * 31));
    CategoryList& categories = catalogue.categories();
    for (int d = 0; d < setup.discs; ++d) {
        const int machineIndex = d / kSlots % kMachines;
        const int machine = kFirstMachine + machineIndex;
        const int slot = d % kSlots + 1;
        const CategoryEntry& category =
            categories[static_cast<int>(rng() % static_cast<unsigned>(categories.count()))];
        // Ten discs in a thousand hold the rare name.
        const FileTree tree = makeTree(rng, setup.entries, d, d % 100 == 37, 3);
        char title[96];
        std::snprintf(title, sizeof title, "%s %s vol. %d", kWords[rng() % std::size(kWords)],
                      kWords[rng() % std::size(kWords)], d % 50);
        const std::string index = tree.indexBlock();
        const std::string remark = "bought in " + std::to_string(1990 + d % 30);
        const std::string misc = "Other=shelf " + std::to_string(d % 12) + "\r\nVolume=DISC" +
                                 std::to_string(d) + "\r\nSerial=" + std::to_string(rng()) +
                                 "\r\nFileSystem=CDFS";
        const std::string categoryName = category.node ? category.node->text : std::string();
        const std::string& cover = covers[static_cast<std::size_t>(d % 8)];
        sqlite3_bind_int(s, 1, machine);
        sqlite3_bind_int(s, 2, slot);
        sqlite3_bind_text(s, 3, categoryName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 4, title, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 5, std::to_string(4711000 + d).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 6, misc.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 7, remark.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(s, 8, index.data(), static_cast<int>(index.size()), SQLITE_STATIC);
        sqlite3_bind_blob(s, 9, tree.pool.data(), tree.poolBytes(), SQLITE_STATIC);
        sqlite3_bind_blob(s, 10, cover.data(), static_cast<int>(cover.size()), SQLITE_STATIC);
        sqlite3_bind_int(s, 11, tree.entryCount());
        sqlite3_bind_int(s, 12, tree.poolBytes());
        sqlite3_bind_int(s, 13, category.id);
        sqlite3_bind_text(s, 14, created.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 15, machineIndex < kDriveMachines ? "KZ350VN" : "KZ100", -1, SQLITE_STATIC);
        if (sqlite3_step(s) != SQLITE_DONE) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(db.handle()));
            return false;
        }
        sqlite3_reset(s);
        writeNames(names, tree);
        titles << title << '\n';
    }
    sqlite3_finalize(s);
    return db.exec("COMMIT").ok() && names.good() && titles.good();
}

bool generateApart(const Setup& setup)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        _exit(generate(setup) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// --- the program's side ---------------------------------------------------------------------

// What the main window holds once it is up.
struct Window {
    kavro::test::QuietPerson person{false, stderr};
    SystemClock clock;
    DefaultTexts texts;
    CabinetTorvex torvex;
    std::unique_ptr<Catalogue> catalogue;
    std::unique_ptr<ChangerContext> changer;
    DiscList discs;
    ResultRowList results;
    std::vector<ListRow> everyDisc; // ListView2 with CategoryRoot

    ~Window()
    {
        changer.reset();
        catalogue.reset();
    }

    RowLookups lookups() const
    {
        RowLookups l;
        l.machineName = [this](int machine) { return changer->machines.MachineName(machine); };
        l.isDriveMachine = [this](int machine, const std::string& deviceType) {
            return IsDriveMachineDisc(changer->machines.MachineModel(machine), deviceType,
                                      changer->DefaultModel);
        };
        return l;
    }
};

// The start of the main window: catalogue, categories, registry, disc nodes, and the first
// activation listing every disc.
bool startWindow(Window& w, const std::filesystem::path& folder)
{
    w.catalogue = std::make_unique<Catalogue>(folder, w.person, w.texts, w.clock);
    if (auto s = w.catalogue->open(); !s) {
        std::fprintf(stderr, "%s\n", s.error().c_str());
        return false;
    }
    if (!LoadCategories(*w.catalogue).ok())
        return false;
    w.changer = std::make_unique<ChangerContext>(*w.catalogue, w.torvex, w.person, w.clock, w.texts);
    OpenChangers(*w.changer);
    if (!LoadRegistry(*w.changer).ok() || !RescanMachines(*w.changer).ok())
        return false;
    BuildDiscNodes(*w.catalogue, w.discs);
    w.everyDisc = CategoryContentsRows(*w.catalogue->categoryTree().categoryRoot(), w.discs, w.lookups());
    SortRows(ListKind::CategoryContents, w.everyDisc, DefaultSortColumn(ListKind::CategoryContents), true);
    return true;
}

// A disc selected in the tree: its record, picture and texts, then its stored tree listed at
// the top and two folders down, as clicks on the tree's folder nodes list them.
int browseDisc(Window& w, int machine, int slot)
{
    Catalogue& c = *w.catalogue;
    if (!LoadDiscTree(c, machine, slot))
        return -1;
    const DiscRecord& disc = c.currentDisc();
    const QImage picture = DiscPictureView::decode(c.discCursor().field("Pic").bytes());
    int shown =
        static_cast<int>(disc.summary.size() + disc.other.size() + disc.remark.size() + disc.barcode.size());
    shown += picture.isNull() ? 0 : 1;
    const FileTree& tree = c.fileTree();
    std::vector<std::string> path;
    for (int depth = 0; depth < 3; ++depth) {
        const auto start = resolveRun(tree, path);
        if (!start)
            return -1;
        FolderListing listing = listRun(tree, *start);
        std::vector<ListRow> rows = FileRows(listing);
        SortRows(ListKind::Files, rows, DefaultSortColumn(ListKind::Files), true);
        shown += static_cast<int>(rows.size());
        if (listing.folderNames.empty())
            break;
        path.push_back(listing.folderNames[static_cast<std::size_t>(slot) % listing.folderNames.size()]);
    }
    return shown;
}

// --- references -----------------------------------------------------------------------------

std::filesystem::path writeFile(const std::filesystem::path& path, const std::string& body)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << body;
    return path;
}

// The sqlite3 tool over a script: the best wall time of runs.
double sqliteTool(const std::filesystem::path& catalogue, const std::filesystem::path& script, int runs)
{
    double best = 1e18;
    for (int r = 0; r < runs; ++r) {
        int status = 0;
        best = std::min(best, timeTool({"sqlite3", "-readonly", catalogue.string()}, script, {}, &status));
        if (status != 0)
            std::fprintf(stderr, "sqlite3 failed on %s\n", script.c_str());
    }
    return best;
}

double bestGrep(const std::string& pattern, const std::filesystem::path& file, int runs, long* lines)
{
    double best = 1e18;
    for (int r = 0; r <= runs; ++r) { // the first only fills the page cache
        const double ms = timeGrep(pattern, file, lines);
        if (r > 0)
            best = std::min(best, ms);
    }
    return best;
}

template <typename F> double bestOf(int runs, F&& work)
{
    double best = 1e18;
    for (int r = 0; r < runs; ++r) {
        const auto start = Steady::now();
        work();
        best = std::min(best, msSince(start));
    }
    return best;
}

// A time for the table: three significant digits, without exponents.
std::string msText(double ms)
{
    char text[32];
    std::snprintf(text, sizeof text,
                  ms >= 100  ? "%.0f ms"
                  : ms >= 10 ? "%.1f ms"
                  : ms >= 1  ? "%.2f ms"
                             : "%.3f ms",
                  ms);
    return text;
}

void writeReadme(const Setup& setup, double sizeMb, long names)
{
    std::printf("\nREADME table (%d discs x %d entries, %.0f MB catalogue, %ld names):\n\n", setup.discs,
                setup.entries, sizeMb, names);
    std::printf("| | time | reference | ratio | peak memory (rise) |\n|---|---|---|---|---|\n");
    for (const Line& l : g_lines) {
        if (l.memory) {
            std::printf("| %s | | | | %.0f MB (%+.0f MB) |\n", l.what.c_str(), l.memory->end.peakKb / 1024.0,
                        (l.memory->end.peakKb - l.memory->start.rssKb) / 1024.0);
            continue;
        }
        if (l.referenceMs >= 0)
            std::printf("| %s | %s | %s %s | %.2f | |\n", l.what.c_str(), msText(l.ms).c_str(),
                        l.reference.c_str(), msText(l.referenceMs).c_str(), l.ms / l.referenceMs);
        else
            std::printf("| %s | %s | | | |\n", l.what.c_str(), msText(l.ms).c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    Setup setup;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--discs" && i + 1 < argc)
            setup.discs = std::max(1, std::min(kMachines * kSlots, std::atoi(argv[++i])));
        else if (a == "--entries" && i + 1 < argc)
            setup.entries = std::max(100, std::atoi(argv[++i]));
        else if (a == "--runs" && i + 1 < argc)
            setup.runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--dir" && i + 1 < argc)
            setup.dir = argv[++i];
        else if (a == "--keep")
            setup.keep = true;
        else {
            std::fprintf(stderr,
                         "usage: load_bench [--discs N] [--entries N] [--runs N] [--dir FOLDER] [--keep]\n");
            return 2;
        }
    }
    if (std::system("sqlite3 -version > /dev/null 2>&1") != 0) {
        std::fprintf(stderr, "the sqlite3 command-line tool is needed for the reference times\n");
        return 1;
    }
    if (setup.dir.empty())
        setup.dir = std::filesystem::temp_directory_path() / ("kavro-load-bench-" + std::to_string(getpid()));
    else
        setup.keep = true;
    const auto file = setup.dir / "KAVRO2.MDB";
    const int runs = setup.runs;
    const Memory atStart = readMemory();

    if (!std::filesystem::exists(file)) {
        const auto start = Steady::now();
        if (!generateApart(setup)) {
            std::fprintf(stderr, "generating the catalogue failed\n");
            return 1;
        }
        std::printf("generated %d discs x %d entries in %.1f s\n", setup.discs, setup.entries,
                    msSince(start) / 1000);
    }
    const double sizeMb = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
    long nameCount = 0;
    {
        std::ifstream names(setup.dir / "names.txt", std::ios::binary);
        nameCount = std::count(std::istreambuf_iterator<char>(names), std::istreambuf_iterator<char>(), '\n');
    }
    std::printf("catalogue %s: %.0f MB, %ld names; best of %d runs\n", file.c_str(), sizeMb, nameCount, runs);
    // Into the page cache, as the program meets a catalogue it used a moment ago.
    timeTool({"cat", file.string()});
    int result = 0;
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        result = 1;
    };

    // --- start ---------------------------------------------------------------------------------
    std::printf("\nstart of the main window\n");
    MemoryWatch watch;
    watch.begin();
    auto window = std::make_unique<Window>();
    double open = 1e18;
    for (int r = 0; r < runs; ++r) {
        window = std::make_unique<Window>();
        const auto start = Steady::now();
        if (!startWindow(*window, setup.dir))
            return 1;
        open = std::min(open, msSince(start));
    }
    Window& w = *window;
    Catalogue& catalogue = *w.catalogue;
    if (w.discs.count() != setup.discs || static_cast<int>(w.everyDisc.size()) != setup.discs)
        fail("not every disc was listed");
    const double openTool = sqliteTool(
        file,
        writeFile(
            setup.dir / "open.sql",
            "SELECT * FROM CATEGORY;\nSELECT * FROM CDDEVICE;\nSELECT MachineNo, Slot, Categoryname, TitleA, "
            "Barcode, Remark, CreateDate, TreeIndexS, TreeDataS, Devicetype, Category, Misc1 FROM KAVRO;\n"),
        runs);
    add("open, categories, registry, disc nodes, every disc listed", open, openTool,
        "sqlite3: the same rows");
    addMemory("start", watch.end());

    // --- browsing ------------------------------------------------------------------------------
    std::printf("\nbrowsing\n");
    watch.begin();
    CategoryList& categories = catalogue.categories();
    std::vector<TreeNode*> nodes;
    for (int i = 0; i < categories.count(); ++i)
        if (categories[i].node)
            nodes.push_back(categories[i].node);
    std::size_t listed = 0;
    const double categoryMs = bestOf(runs,
                                     [&] {
                                         for (TreeNode* node : nodes) {
                                             auto rows = CategoryContentsRows(*node, w.discs, w.lookups());
                                             SortRows(ListKind::CategoryContents, rows,
                                                      DefaultSortColumn(ListKind::CategoryContents), true);
                                             listed += rows.size();
                                         }
                                     }) /
                              static_cast<double>(nodes.size());
    // The tool has to pass every tree to reach the category column: three categories do.
    std::string categorySql;
    for (std::size_t i = 0; i < 3 && i < nodes.size(); ++i)
        categorySql += "SELECT TitleA, MachineNo, Slot, Categoryname FROM KAVRO WHERE Category = " +
                       std::to_string(categories[nodes[i]->entry].id) + " ORDER BY TitleA;\n";
    const double categoryTool =
        sqliteTool(file, writeFile(setup.dir / "category.sql", categorySql), std::min(runs, 2)) /
        static_cast<double>(std::min<std::size_t>(3, nodes.size()));
    add("a category's discs listed and sorted", categoryMs, categoryTool, "sqlite3: WHERE Category");

    const double machineMs = bestOf(runs,
                                    [&] {
                                        for (int m = 0; m < kMachines; ++m) {
                                            auto rows =
                                                MachineDiscRows(kFirstMachine + m, w.discs, w.lookups());
                                            SortRows(ListKind::MachineDiscs, rows,
                                                     DefaultSortColumn(ListKind::MachineDiscs), true);
                                            listed += rows.size();
                                        }
                                    }) /
                             kMachines;
    std::string machineSql;
    for (int m = 0; m < kMachines; ++m)
        machineSql += "SELECT TitleA, Slot, Categoryname FROM KAVRO WHERE MachineNo = " +
                      std::to_string(kFirstMachine + m) + " ORDER BY Slot;\n";
    const double machineTool =
        sqliteTool(file, writeFile(setup.dir / "machine.sql", machineSql), runs) / kMachines;
    add("a machine's discs listed and sorted", machineMs, machineTool, "sqlite3: WHERE MachineNo");

    std::mt19937 rng(11);
    std::vector<std::pair<int, int>> picks;
    std::string discSql;
    for (int i = 0; i < 50; ++i) {
        const int d = static_cast<int>(rng() % static_cast<unsigned>(setup.discs));
        picks.emplace_back(kFirstMachine + d / kSlots % kMachines, d % kSlots + 1);
        discSql += "SELECT * FROM KAVRO WHERE MachineNo = " + std::to_string(picks.back().first) +
                   " AND Slot = " + std::to_string(picks.back().second) + ";\n";
    }
    int shown = 0;
    const double discMs = bestOf(runs,
                                 [&] {
                                     for (const auto& [m, s] : picks) {
                                         const int n = browseDisc(w, m, s);
                                         if (n < 0)
                                             fail("a disc could not be browsed");
                                         shown += n;
                                     }
                                 }) /
                          static_cast<double>(picks.size());
    const double discTool = sqliteTool(file, writeFile(setup.dir / "disc.sql", discSql), runs) /
                            static_cast<double>(picks.size());
    add("a disc selected: record, picture, texts, 3 folders", discMs, discTool, "sqlite3: the disc's row");
    const double selectMs = bestOf(runs,
                                   [&] {
                                       for (const auto& [m, s] : picks)
                                           LoadDiscTree(catalogue, m, s);
                                   }) /
                            static_cast<double>(picks.size());
    add("  of which LoadDiscTree (record and stored tree)", selectMs, -1, {});
    // The picture alone: read from the selected row and decoded.
    double pictureMs = 1e18;
    for (int r = 0; r < runs; ++r) {
        double total = 0;
        for (const auto& [m, s] : picks) {
            LoadDiscTree(catalogue, m, s);
            const auto pictureStart = Steady::now();
            shown += DiscPictureView::decode(catalogue.discCursor().field("Pic").bytes()).isNull() ? 0 : 1;
            total += msSince(pictureStart);
        }
        pictureMs = std::min(pictureMs, total / static_cast<double>(picks.size()));
    }
    add("  of which the picture read and decoded", pictureMs, -1, {});
    if (listed == 0 || shown == 0)
        fail("nothing was listed");
    addMemory("browsing", watch.end());

    // --- sorting -------------------------------------------------------------------------------
    std::printf("\nsorting the list of every disc (%zu rows)\n", w.everyDisc.size());
    watch.begin();
    const char* const columnNames[] = {"title", "machine", "slot", "category"};
    for (int column = 0; column < 4; ++column) {
        std::string values;
        for (const ListRow& row : w.everyDisc)
            values += row.text(static_cast<std::size_t>(column)) + '\n';
        const auto valuesFile = writeFile(setup.dir / ("column" + std::to_string(column) + ".txt"), values);
        for (const bool ascending : {true, false}) {
            double exact = 1e18;
            for (int r = 0; r < runs; ++r) {
                // Only the sort counts, not the copy it sorts.
                std::vector<ListRow> rows = w.everyDisc;
                const auto start = Steady::now();
                SortRows(ListKind::CategoryContents, rows, column, ascending);
                exact = std::min(exact, msSince(start));
            }
            std::vector<std::string> args{"env", "LC_ALL=C", "sort", column == 2 ? "-n" : "-f"};
            if (!ascending)
                args.push_back("-r");
            args.push_back(valuesFile.string());
            double tool = 1e18;
            for (int r = 0; r < runs; ++r)
                tool = std::min(tool, timeTool(args));
            add(std::string("sort on ") + columnNames[column] + (ascending ? ", ascending" : ", descending"),
                exact, tool, column == 2 ? "sort -n" : "sort -f");
        }
    }
    addMemory("sorting", watch.end());

    // --- quick search --------------------------------------------------------------------------
    std::printf("\nquick search over %d titles\n", setup.discs);
    watch.begin();
    DiscTextCache cache;
    QuickSearch quick(catalogue, cache);
    const std::string typed = "summer backup vol. 1";
    std::size_t lastRows = 0;
    auto keystroke = [&](const std::string& text) {
        auto found = quick.inCategories(text, catalogue.categoryTree().categoryRoot());
        if (!found.ok()) {
            fail("quick search");
            return;
        }
        std::vector<ListRow> rows;
        rows.reserve(found->size());
        for (const SearchRow& r : *found) {
            const int entry = w.results.add(r.machine, r.slot);
            rows.push_back(SearchResultRow(entry, r.machine, r.slot, r.title, r.categoryName, r.deviceType,
                                           w.lookups()));
        }
        SortRows(ListKind::QuickSearch, rows, DefaultSortColumn(ListKind::QuickSearch), true);
        lastRows = rows.size();
    };
    auto start = Steady::now();
    keystroke(typed.substr(0, 1));
    const double firstEver = msSince(start);
    std::vector<double> best(typed.size(), 1e18);
    for (int r = 0; r < runs; ++r)
        for (std::size_t n = 1; n <= typed.size(); ++n) {
            start = Steady::now();
            keystroke(typed.substr(0, n));
            best[n - 1] = std::min(best[n - 1], msSince(start));
        }
    double mean = 0, slowest = 0;
    for (double b : best) {
        mean += b / static_cast<double>(best.size());
        slowest = std::max(slowest, b);
    }
    double grepMean = 0;
    long lines = 0;
    for (std::size_t n = 1; n <= typed.size(); ++n)
        grepMean += bestGrep(typed.substr(0, n), setup.dir / "titles.txt", runs, &lines) /
                    static_cast<double>(typed.size());
    std::printf("  typing \"%s\": %zu rows at the end\n", typed.c_str(), lastRows);
    add("quick search, first keystroke after the start", firstEver, grepMean, "grep -c -F -i (mean)");
    add("quick search, a keystroke (mean of the best)", mean, grepMean, "grep -c -F -i (mean)");
    add("quick search, the slowest keystroke", slowest, grepMean, "grep -c -F -i (mean)");
    // A disc retitled through the program's records, then the next keystroke.
    double afterChange = 1e18, afterChangeWorst = 0;
    for (int r = 0; r < runs; ++r) {
        const auto& [m, s] = picks[static_cast<std::size_t>(r) % picks.size()];
        if (!ChangeDiscTitle(catalogue, m, s, "summer backup vol. " + std::to_string(r)).ok())
            fail("retitling a disc");
        start = Steady::now();
        keystroke("summer");
        const double ms = msSince(start);
        afterChange = std::min(afterChange, ms);
        afterChangeWorst = std::max(afterChangeWorst, ms);
    }
    add("quick search, first keystroke after a retitled disc", afterChange, grepMean, "grep -c -F -i (mean)");
    add("  the same, slowest of the runs", afterChangeWorst, -1, {});
    if (slowest >= 10.0 || afterChangeWorst >= 10.0)
        std::printf("  OUTSIDE the 10 ms per keystroke\n");
    addMemory("quick search", watch.end());

    // --- advanced search -----------------------------------------------------------------------
    std::printf("\nadvanced search\n");
    watch.begin();
    AdvancedSearch advanced(catalogue, cache);
    SearchScope scope;
    BuildScope(scope, *catalogue.categoryTree().categoryRoot(), catalogue.categories());
    const SearchCriteria byTitle{};
    const SearchCriteria byName{.title = false, .fileName = true, .folderName = true};
    for (const char* text : {"holiday", "vol. 49", "zqxjv"}) {
        std::size_t found = 0;
        const double ms = bestOf(runs, [&] {
            auto rows = advanced.find(text, byTitle, scope);
            found = rows.ok() ? rows->size() : 0;
        });
        const double tool = bestGrep(text, setup.dir / "titles.txt", runs, &lines);
        add(std::string("titles: \"") + text + "\" (" + std::to_string(found) + " discs, " +
                std::to_string(lines) + " lines)",
            ms, tool, "grep -c -F -i");
    }
    for (const char* text : {"needle_", "readme", "zqxjv"}) {
        std::size_t found = 0;
        const double ms = bestOf(runs, [&] {
            auto rows = advanced.find(text, byName, scope);
            if (!rows.ok())
                fail("advanced search");
            found = rows.ok() ? rows->size() : 0;
        });
        const double tool = bestGrep(text, setup.dir / "names.txt", runs, &lines);
        add(std::string("names: \"") + text + "\" (" + std::to_string(found) + " discs, " +
                std::to_string(lines) + " lines)",
            ms, tool, "grep -c -F -i");
    }
    addMemory("advanced search", watch.end());

    // --- the name index and Find files ---------------------------------------------------------
    std::printf("\nname index and Find files\n");
    watch.begin();
    Database& idb = catalogue.database();
    (void)idb.exec(std::string("DROP TABLE IF EXISTS ") + NameIndex::kTable);
    NameIndex index;
    double buildMs = 0;
    {
        const auto began = Steady::now();
        if (!cache.refresh(idb).ok() || !index.refresh(idb, cache.rows(), &w.person).ok())
            fail("building the name index");
        buildMs = msSince(began);
    }
    const double namesMb = static_cast<double>(std::filesystem::file_size(setup.dir / "names.txt")) / 1e6;
    const auto stored = index.storedBytes(idb);
    const double indexMb = stored.ok() ? static_cast<double>(*stored) / 1e6 : -1;
    add("index built over every stored tree", buildMs, -1, {});
    std::printf("  index size %.1f MB for %.1f MB of names (%.0f %%)\n", indexMb, namesMb,
                100.0 * indexMb / namesMb);
    if (buildMs > 60000 || indexMb > namesMb / 2)
        std::printf("  OUTSIDE 60 s or half the names' bytes\n");
    advanced.setNameIndex(&index);
    double rareSpeedUp = 0;
    for (const char* text : {"needle_", "zqxjv", "readme"}) {
        std::size_t found = 0;
        const double ms = bestOf(runs, [&] {
            auto rows = advanced.find(text, byName, scope);
            if (!rows.ok())
                fail("indexed advanced search");
            found = rows.ok() ? rows->size() : 0;
        });
        const double tool = bestGrep(text, setup.dir / "names.txt", runs, &lines);
        add(std::string("indexed names: \"") + text + "\" (" + std::to_string(found) + " discs, " +
                std::to_string(advanced.lastSkipped()) + " ruled out)",
            ms, tool, "grep -c -F -i");
        if (std::string(text) == "needle_") {
            rareSpeedUp = tool / ms;
            if (ms >= 20 || rareSpeedUp < 25)
                std::printf("  OUTSIDE 20 ms or 25x grep\n");
        }
        if (std::string(text) == "zqxjv" && ms >= 10)
            std::printf("  OUTSIDE 10 ms\n");
        if (std::string(text) == "readme" && ms > tool)
            std::printf("  OUTSIDE grep's time\n");
    }
    FileFinder finder(catalogue, cache, &index);
    auto named = [](const std::string& text) {
        FileQuery q;
        q.text = text;
        return q;
    };
    for (const char* text : {"invoice", "needle_", "*.pdf"}) {
        std::size_t rows = 0;
        const double ms = bestOf(runs, [&] {
            if (!finder.start(named(text)).ok() || !finder.fetch(1000).ok())
                fail("Find files");
            rows = finder.hits().size();
        });
        add(std::string("Find files, first screen: \"") + text + "\" (" + std::to_string(rows) + " rows)", ms,
            -1, {});
        if (ms >= 50)
            std::printf("  OUTSIDE 50 ms\n");
    }
    {
        const std::string typing = "needle_0437";
        double slowestKey = 0;
        for (std::size_t n = 3; n <= typing.size(); ++n) {
            const double ms = bestOf(runs, [&] {
                if (!finder.start(named(typing.substr(0, n))).ok() || !finder.fetch(1000).ok())
                    fail("Find files");
            });
            slowestKey = std::max(slowestKey, ms);
        }
        add("Find files, slowest keystroke typing \"" + typing + "\" (3 bytes on)", slowestKey, -1, {});
        if (slowestKey >= 50)
            std::printf("  OUTSIDE 50 ms\n");
    }
    {
        // A disc written again with a new tree of as many entries, with and without its index update.
        std::mt19937 treeRng(99);
        const int machine = kFirstMachine, slot = 1;
        auto writeOnce = [&](int round) {
            if (!LoadDiscTree(catalogue, machine, slot))
                return false;
            catalogue.fileTree() = makeTree(treeRng, setup.entries, 100000 + round, true, 3);
            return catalogue.discCursor().edit().ok() && SaveDiscTree(catalogue).ok() &&
                   catalogue.discCursor().post().ok();
        };
        int round = 0;
        double plain = 1e18, indexed = 1e18;
        for (int r = 0; r < runs; ++r) {
            auto began = Steady::now();
            if (!writeOnce(round++))
                fail("writing a disc");
            plain = std::min(plain, msSince(began));
            began = Steady::now();
            if (!writeOnce(round++) || !cache.refresh(idb).ok() || !index.refresh(idb, cache.rows()).ok())
                fail("writing a disc with its index");
            indexed = std::min(indexed, msSince(began));
        }
        add("a disc of " + std::to_string(setup.entries) + " entries written, with its index update", indexed, plain,
            "the same write alone");
        if (indexed > 1.5 * plain)
            std::printf("  OUTSIDE 1.5x\n");
    }
    addMemory("name index, Find files", watch.end());

    // --- the whole run -------------------------------------------------------------------------
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\nwhole run: peak %.0f MB (ru_maxrss), %.0f MB before the catalogue was opened\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0, atStart.rssKb / 1024.0);
    g_lines.push_back({"memory: whole run (ru_maxrss)",
                       0,
                       -1,
                       {},
                       PhaseMemory{atStart, Memory{usage.ru_maxrss, 0, 0}, false}});
    writeReadme(setup, sizeMb, nameCount);

    window.reset();
    if (!setup.keep) {
        std::error_code ec;
        std::filesystem::remove_all(setup.dir, ec);
    } else {
        std::printf("\nkept %s\n", setup.dir.c_str());
    }
    std::printf("rare-name speed-up over grep: %.1f\n", rareSpeedUp);
    return result;
}
