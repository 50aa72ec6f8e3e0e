// Restore and imports killed part way: a child process runs the real operation on a copy of a
// program folder and is killed at its Nth file write, sync, truncation or deletion made by SQLite
// (or right after the operation returned). The parent then opens the catalogue as the program
// does and checks that it holds the old catalogue or the new one, whole, and nothing between.
#include "catalogue/import/ImportFixture.h"

#include "catalogue/import/CatalogueRestore.h"
#include "catalogue/import/OldCatalogueImport.h"
#include "catalogue/import/ParadoxImport.h"
#include "catalogue/database/Transaction.h"

#include <sqlite3.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <set>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

// A VFS over the default one that counts the calls which change files and kills the process at
// the chosen one. Registered only in the child.
namespace killswitch {

long g_points = 0;
long g_killAt = -1;
bool g_armed = false;
sqlite3_vfs* g_real = nullptr;

void point()
{
    if (!g_armed)
        return;
    if (g_points++ == g_killAt)
        raise(SIGKILL);
}

struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f)
{
    return reinterpret_cast<File*>(f)->real;
}

int xClose(sqlite3_file* f)
{
    sqlite3_file* r = real(f);
    const int rc = r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
    f->pMethods = nullptr;
    return rc;
}
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o)
{
    return real(f)->pMethods->xRead(real(f), b, n, o);
}
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    point();
    return real(f)->pMethods->xWrite(real(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    point();
    return real(f)->pMethods->xTruncate(real(f), size);
}
// A killed process loses nothing the system already holds, so syncing only costs time here.
int xSync(sqlite3_file*, int)
{
    point();
    return SQLITE_OK;
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int l)
{
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file* f, int l)
{
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f)
{
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f)
{
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}

// Version 1: no shared memory (the catalogue keeps a rollback journal) and no memory mapping.
sqlite3_io_methods makeMethods()
{
    sqlite3_io_methods m{};
    m.iVersion = 1;
    m.xClose = &xClose;
    m.xRead = &xRead;
    m.xWrite = &xWrite;
    m.xTruncate = &xTruncate;
    m.xSync = &xSync;
    m.xFileSize = &xFileSize;
    m.xLock = &xLock;
    m.xUnlock = &xUnlock;
    m.xCheckReservedLock = &xCheckReservedLock;
    m.xFileControl = &xFileControl;
    m.xSectorSize = &xSectorSize;
    m.xDeviceCharacteristics = &xDeviceCharacteristics;
    return m;
}
const sqlite3_io_methods kMethods = makeMethods();

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = g_real->xOpen(g_real, name, file->real, flags, outFlags);
    if (rc == SQLITE_OK && file->real->pMethods)
        file->base.pMethods = &kMethods;
    return rc;
}
int xDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    point();
    (void)syncDir;
    return g_real->xDelete(g_real, name, 0);
}
int xAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    return g_real->xAccess(g_real, name, flags, out);
}
int xFullPathname(sqlite3_vfs*, const char* name, int n, char* out)
{
    return g_real->xFullPathname(g_real, name, n, out);
}

sqlite3_vfs g_vfs;

// Made the default for the test's own process too: nothing here is about power loss, and without
// syncs the many runs take a fraction of the time.
void install()
{
    g_armed = false;
    sqlite3_vfs* current = sqlite3_vfs_find(nullptr);
    if (current == &g_vfs)
        return;
    g_real = current;
    g_vfs = *g_real;
    g_vfs.iVersion = 2;
    g_vfs.szOsFile = static_cast<int>(sizeof(File)) + g_real->szOsFile;
    g_vfs.zName = "killswitch";
    g_vfs.pNext = nullptr;
    g_vfs.xOpen = &xOpen;
    g_vfs.xDelete = &xDelete;
    g_vfs.xAccess = &xAccess;
    g_vfs.xFullPathname = &xFullPathname;
    sqlite3_vfs_register(&g_vfs, 1);
}

void uninstall()
{
    sqlite3_vfs_unregister(&g_vfs);
}

} // namespace killswitch

// What a child run ended with.
struct ChildEnd {
    bool killed = false;
    int exitCode = -1;
    long points = 0; // change points passed while armed (known when the child was not killed)
};

// The operation run in the child: prepares what it needs, calls arm() just before the operation
// and returns whether the operation reported success.
using ChildWork = std::function<bool(const std::function<void()>& arm)>;

// Runs work in a child process, killed at change point killAt (0 is the first; the count of
// points means right after work returned; -1 never).
ChildEnd runChild(long killAt, const ChildWork& work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const bool ok = work([killAt] {
            killswitch::g_points = 0;
            killswitch::g_killAt = killAt;
            killswitch::g_armed = true;
        });
        killswitch::g_armed = false;
        if (killswitch::g_points == killAt)
            raise(SIGKILL); // after the operation, before anything is closed
        const long points = killswitch::g_points;
        (void)!write(fds[1], &points, sizeof points);
        _exit(ok ? 0 : 3);
    }
    close(fds[1]);
    ChildEnd end;
    long points = 0;
    if (read(fds[0], &points, sizeof points) == static_cast<ssize_t>(sizeof points))
        end.points = points;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    end.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    end.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return end;
}

class CatalogueKill : public ImportFixture {
protected:
    void SetUp() override
    {
        killswitch::install();
        ImportFixture::SetUp();
    }
    void TearDown() override { killswitch::uninstall(); }

    fs::path pristine() const { return dir / "pristine"; }
    fs::path work() const { return dir / "work"; }

    // The program folder before the operation: a catalogue with discs in two categories and a
    // machine, Data/ and an empty Backup/.
    void makeProgramFolder(bool withCategories = true)
    {
        makeCatalogueFile(pristine(),
                          {{1, 1, "Old one", "Old films", 2, "Other=o"},
                           {1, 2, "Old two", "Old films", 2},
                           {7, 40, "Old three", "Shared", 3, "", "BMold"}},
                          withCategories
                              ? std::vector<std::pair<std::string, int>>{{"Old films", 2}, {"Shared", 3}}
                              : std::vector<std::pair<std::string, int>>{},
                          {{"7", "Old machine"}});
        fs::create_directories(pristine() / "Data");
        fs::create_directories(pristine() / "Backup");
    }

    // A catalogue file of this program's format with many discs, each with a file tree and some
    // with pictures, in categories partly known to the program folder's catalogue.
    fs::path makeBigSource(const fs::path& folder, int count)
    {
        fs::create_directories(folder);
        ScriptedPerson quiet;
        Catalogue source(folder, quiet, texts, clock);
        EXPECT_TRUE(source.open().ok());
        Transaction all(source.database());
        const char* names[] = {"Shared", "New music", "New games", "Backups"};
        for (int i = 0; i < 4; ++i)
            insertCategory(source, names[i], 10 + i);
        for (int i = 0; i < count; ++i) {
            DiscCursor& cursor = source.discCursor();
            EXPECT_TRUE(cursor.append().ok());
            cursor.setField("MachineNo", DbValue(100 + i / 150));
            cursor.setField("Slot", DbValue(1 + i % 150));
            cursor.setField("TitleA", DbValue("Disc " + std::to_string(i)));
            cursor.setField("Categoryname", DbValue(std::string(names[i % 4])));
            cursor.setField("Category", DbValue(10 + i % 4));
            cursor.setField("Remark", DbValue("Remark of disc " + std::to_string(i)));
            cursor.setField("TreeIndexS", DbValue(40));
            cursor.setField("TreeDataS", DbValue(900));
            cursor.setField("TreeIndex",
                            DbValue::blob(std::string(40 * 24, static_cast<char>('a' + i % 26))));
            cursor.setField("TreeData", DbValue::blob(std::string(900, static_cast<char>('A' + i % 26))));
            if (i % 5 == 0)
                cursor.setField("Pic", DbValue::blob("BM" + std::string(3000, static_cast<char>(i))));
            const DbStatus s = cursor.post();
            EXPECT_TRUE(s.ok()) << s.error();
        }
        insertMachine(source, "100", "Hundred");
        insertMachine(source, "101", "Hundred and one");
        EXPECT_TRUE(all.commit().ok());
        source.close();
        return folder / "KAVRO2.MDB";
    }

    // Every table of the catalogue row by row, with the categories the program loads from it.
    // CreateDate only says whether it is set: a restore stamps the time it ran.
    static std::string snapshot(Catalogue& c)
    {
        std::string all;
        sqlite3* db = c.database().handle();
        std::vector<std::string> tables;
        sqlite3_stmt* list = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &list,
                           nullptr);
        while (list && sqlite3_step(list) == SQLITE_ROW)
            tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
        sqlite3_finalize(list);
        for (const auto& table : tables) {
            all += "[" + table + "]\n";
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, ("SELECT * FROM \"" + table + "\" ORDER BY rowid").c_str(), -1, &stmt,
                               nullptr);
            while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
                for (int col = 0; col < sqlite3_column_count(stmt); ++col) {
                    const bool date = std::string(sqlite3_column_name(stmt, col)) == "CreateDate";
                    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
                    if (!p && sqlite3_column_type(stmt, col) == SQLITE_NULL)
                        all += "<null>";
                    else if (date)
                        all += "<date>";
                    else
                        all += std::string(p ? p : "",
                                           static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
                    all += "|";
                }
                all += "\n";
            }
            sqlite3_finalize(stmt);
        }
        all += "[loaded categories]\n";
        std::vector<std::string> loaded;
        c.categoryTree().forEach([&](TreeNode& n) {
            if (n.isCategory())
                loaded.push_back(n.text + "," + std::to_string(n.id));
        });
        std::sort(loaded.begin(), loaded.end());
        for (const auto& l : loaded)
            all += l + "\n";
        return all;
    }

    static std::string integrity(sqlite3* db)
    {
        std::string out;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            out += reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        sqlite3_finalize(stmt);
        return out;
    }

    // The program folder as the operation left it, opened as the program opens it: the
    // catalogue, then its categories. Empty when it does not open; the failure is recorded.
    std::string openAndSnapshot(const std::string& where)
    {
        ScriptedPerson quiet;
        Catalogue c(work(), quiet, texts, clock);
        const DbStatus opened = c.open();
        EXPECT_TRUE(opened.ok()) << where << ": " << opened.error();
        if (!opened)
            return {};
        auto loaded = LoadCategories(c);
        EXPECT_TRUE(loaded.ok()) << where << ": " << loaded.error();
        EXPECT_EQ(integrity(c.database().handle()), "ok") << where;
        std::string s = snapshot(c);
        c.close();
        // A journal the killed process had not yet synced may stay; it is not hot and the next
        // write replaces it. Whatever is left must not stop the next start or change what it reads.
        EXPECT_TRUE(c.open().ok()) << where << ": opens again";
        EXPECT_TRUE(LoadCategories(c).ok()) << where;
        EXPECT_EQ(snapshot(c), s) << where << ": reads the same the second time";
        return s;
    }

    // Every catalogue file in Backup/ is a whole copy of the catalogue before the operation.
    void checkSafetyCopies(const std::string& where, const std::string& before)
    {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(work() / "Backup", ec)) {
            const std::string name = e.path().filename().string();
            if (name.size() < 4 || text::upperAscii(name.substr(name.size() - 4)) != ".MDB")
                continue;
            fs::path copyFolder = dir / "copycheck";
            fs::remove_all(copyFolder);
            fs::create_directories(copyFolder);
            for (const auto& f : fs::directory_iterator(work() / "Backup")) {
                const std::string n = f.path().filename().string();
                if (n == name)
                    fs::copy_file(f.path(), copyFolder / "KAVRO2.MDB");
                else if (n == name + "-journal")
                    fs::copy_file(f.path(), copyFolder / "KAVRO2.MDB-journal");
            }
            // Data/ stays empty: category.txt may already be the new one, and an older copy of the
            // catalogue is read on its own.
            fs::create_directories(copyFolder / "Data");
            ScriptedPerson quiet;
            Catalogue copy(copyFolder, quiet, texts, clock);
            const DbStatus opened = copy.open();
            EXPECT_TRUE(opened.ok()) << where << ": the copy " << name << ": " << opened.error();
            if (!opened)
                continue;
            LoadCategories(copy);
            EXPECT_EQ(snapshot(copy), before) << where << ": the copy " << name << " is not whole";
        }
    }

    void freshWorkFolder()
    {
        fs::remove_all(work());
        fs::copy(pristine(), work(), fs::copy_options::recursive);
    }

    // Kill points to try out of total: the first few, an even spread, the last few and the one
    // right after the operation returned.
    static std::vector<long> killPoints(long total, int spread)
    {
        std::set<long> points;
        for (long p = 0; p < std::min(total, 4L); ++p)
            points.insert(p);
        for (int i = 1; i < spread; ++i)
            points.insert(total * i / spread);
        for (long p = std::max(0L, total - 3); p <= total; ++p)
            points.insert(p);
        return {points.begin(), points.end()};
    }

    // Runs the operation once whole and then killed at a spread of points; every time the folder
    // must hold the old catalogue or the new one and nothing else.
    void sweep(const ChildWork& operation, int spread = 24)
    {
        freshWorkFolder();
        const std::string before = openAndSnapshot("before");
        freshWorkFolder();
        const ChildEnd whole = runChild(-1, operation);
        ASSERT_FALSE(whole.killed);
        ASSERT_EQ(whole.exitCode, 0) << "the operation itself failed";
        ASSERT_GT(whole.points, 10);
        const std::string after = openAndSnapshot("after");
        ASSERT_NE(before, after);

        int killedOld = 0;
        int killedNew = 0;
        for (long at : killPoints(whole.points, spread)) {
            freshWorkFolder();
            const ChildEnd end = runChild(at, operation);
            const std::string where =
                "killed at " + std::to_string(at) + " of " + std::to_string(whole.points);
            EXPECT_TRUE(end.killed) << where;
            const std::string now = openAndSnapshot(where);
            if (now == before)
                ++killedOld;
            else if (now == after)
                ++killedNew;
            else
                ADD_FAILURE() << where << ": the catalogue is neither the old one nor the new one:\n" << now;
            checkSafetyCopies(where, before);
        }
        // Both ends were reached: early kills keep the old catalogue, the late ones the new.
        EXPECT_GT(killedOld, 0);
        EXPECT_GT(killedNew, 0);
    }

    // The child's side: opens the work folder as the program does.
    struct Program {
        explicit Program(CatalogueKill& t) : catalogue(t.work(), person, t.texts, t.clock)
        {
            ok = catalogue.open().ok() && LoadCategories(catalogue).ok();
        }
        ScriptedPerson person;
        Catalogue catalogue;
        FakeRegistry registry;
        bool ok = false;
    };
};

TEST_F(CatalogueKill, RestoreKilledAnywhereLeavesTheOldOrTheNewCatalogue)
{
    makeProgramFolder();
    makeBigSource(dir / "saved", 220);
    sweep([this](const std::function<void()>& arm) {
        Program p(*this);
        arm();
        const auto r = RestoreFromBackup(p.catalogue, &p.registry, dir / "saved");
        return p.ok && r.changed && r.error.empty();
    });
}

TEST_F(CatalogueKill, OldCatalogueImportKilledAnywhereLeavesTheOldOrTheNewCatalogue)
{
    // No categories before: the categories the import makes must not survive a kill on their own.
    makeProgramFolder(false);
    fs::create_directories(dir / "old");
    fs::rename(makeBigSource(dir / "maker", 200), dir / "old" / "KAVRO.MDB");
    sweep([this](const std::function<void()>& arm) {
        Program p(*this);
        arm();
        const auto r = ImportOldCatalogue(p.catalogue, &p.registry, dir / "old");
        return p.ok && r.changed && r.error.empty();
    });
}

TEST_F(CatalogueKill, ParadoxImportKilledAnywhereLeavesTheOldOrTheNewCatalogue)
{
    makeProgramFolder();
    std::vector<ParadoxDisc> rows;
    for (int i = 0; i < 200; ++i) {
        const std::string id = "CD" + std::to_string(i);
        rows.push_back({id, "Paradox disc " + std::to_string(i), std::to_string(1 + i / 150),
                        std::to_string(1 + i % 150),
                        i % 3 == 0 ? "Shared" : "Imported " + std::to_string(i % 4),
                        "BC" + std::to_string(i)});
        std::string tree = "E:\r\n";
        for (int f = 0; f < 12; ++f)
            tree += "\tFolder " + std::to_string(f) + "\r\n\t\tfile " + std::to_string(i) + "-" +
                    std::to_string(f) + ".txt\r\n";
        dir.write("paradox/CdInfo/" + id + ".tv", tree);
        dir.write("paradox/Remark/" + id, "Remark " + id);
        if (i % 7 == 0)
            dir.write("paradox/Preview/" + id + ".bmp", "BM" + std::string(2000, static_cast<char>(i)));
    }
    dir.write("paradox/dbid.txt", "300\r\n301\r\n");
    writeParadoxTable(dir / "paradox" / "DB" / "CDLIST.DB", rows);
    sweep([this](const std::function<void()>& arm) {
        Program p(*this);
        arm();
        const auto r = ImportParadoxCatalogue(p.catalogue, p.registry, dir / "paradox" / "DB" / "CDLIST.DB");
        return p.ok && r.changed && r.error.empty();
    });
}

} // namespace
} // namespace kavro::test
