// Backups onto a full disk or a folder that cannot be written, and a catalogue locked by another
// program: the person is told, nothing is reported as done, and no file is left half-written.
#include "catalogue/import/ImportFixture.h"

#include "catalogue/import/CatalogueBackupTarget.h"
#include "catalogue/database/Transaction.h"

#include <sqlite3.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Outcome = CatalogueBackupResult::Outcome;

// Runs work in a child process and returns the text it wrote back, or "crashed ..." when the
// child did not end normally.
std::string inChild(const std::function<std::string()>& work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string said = work();
        (void)!write(fds[1], said.data(), said.size());
        _exit(0);
    }
    close(fds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        return "crashed (signal " + std::to_string(WTERMSIG(status)) + ") after: " + said;
    return said;
}

// What a backup told the person, as one line per box, and its outcome.
std::string describe(const CatalogueBackupResult& result, const ScriptedPerson& person)
{
    std::string s = result.outcome == Outcome::Written  ? "written"
                    : result.outcome == Outcome::Failed ? "failed"
                                                        : "other";
    for (const auto& box : person.boxes)
        s += "\nbox " + box.caption + ": " + box.text;
    return s;
}

class CatalogueFault : public ImportFixture {
protected:
    // A catalogue of some size: a full disk must be met part way through the copy.
    void fillCatalogue(int count)
    {
        Transaction all(catalogue->database());
        for (int i = 0; i < count; ++i) {
            DiscCursor& cursor = catalogue->discCursor();
            ASSERT_TRUE(cursor.append().ok());
            cursor.setField("MachineNo", DbValue(1 + i / 150));
            cursor.setField("Slot", DbValue(1 + i % 150));
            cursor.setField("TitleA", DbValue("Disc " + std::to_string(i)));
            cursor.setField("TreeData", DbValue::blob(std::string(4000, static_cast<char>('a' + i % 26))));
            ASSERT_TRUE(cursor.post().ok());
        }
        ASSERT_TRUE(all.commit().ok());
    }

    // An older backup in folder, whose bytes are returned.
    std::string olderBackup(const fs::path& folder)
    {
        return TempDir::read(makeCatalogueFile(folder, {{1, 1, "Older backup"}}));
    }

    static std::vector<std::string> filesIn(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static void expectToldNotWritten(const std::string& said)
    {
        EXPECT_TRUE(said.starts_with("failed\n")) << said;
        // The overwrite question, then the failure, which names the backup.
        EXPECT_NE(said.find("box System Message: 檔案輸出錯誤"), std::string::npos) << said;
        EXPECT_NE(said.find("KAVRO2"), std::string::npos) << said;
    }
};

TEST_F(CatalogueFault, BackupOntoAFullDiskIsToldAndKeepsTheOlderBackup)
{
    open();
    fillCatalogue(300);
    const auto size = fs::file_size(dir / "KAVRO2.MDB");
    ASSERT_GT(size, 1u << 20);
    const std::string older = olderBackup(dir / "usb");

    const std::string said = inChild([&] {
        // Files cannot grow past 256 KB: writes beyond fail as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        person.boxAnswers = {BoxAnswer::Ok};
        const auto result = BackupCatalogueTo(*catalogue, (dir / "usb").string());
        return describe(result, person);
    });
    expectToldNotWritten(said);
    EXPECT_EQ(TempDir::read(dir / "usb" / "KAVRO2.MDB"), older);
    EXPECT_EQ(filesIn(dir / "usb"), std::vector<std::string>{"KAVRO2.MDB"}) << "nothing half-written is left";
    // The catalogue itself was only read.
    EXPECT_EQ(fs::file_size(dir / "KAVRO2.MDB"), size);
}

TEST_F(CatalogueFault, BackupIntoAFolderThatCannotBeWrittenIsToldAndKeepsTheOlderBackup)
{
    open();
    fillCatalogue(20);
    const std::string older = olderBackup(dir / "usb");
    fs::permissions(dir / "usb", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

    const std::string said = inChild([&] {
        // Permissions do not hold back an administrator: the child gives up its rights first. The
        // catalogue is open already, as in the running program.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            return std::string("cannot give up root");
        person.boxAnswers = {BoxAnswer::Ok};
        return describe(BackupCatalogueTo(*catalogue, (dir / "usb").string()), person);
    });
    fs::permissions(dir / "usb", fs::perms::owner_all, fs::perm_options::add);
    if (said == "cannot give up root")
        GTEST_SKIP() << "this system does not let a root process become another user";
    expectToldNotWritten(said);
    EXPECT_EQ(TempDir::read(dir / "usb" / "KAVRO2.MDB"), older);
    EXPECT_EQ(filesIn(dir / "usb"), std::vector<std::string>{"KAVRO2.MDB"});
}

TEST_F(CatalogueFault, BackupIntoAFolderThatCannotExistIsTold)
{
    // Whoever runs it: a folder below a file, and a folder in the kernel's process view.
    open();
    fillCatalogue(3);
    dir.write("stick", "a file, not a folder");
    for (const std::string& folder :
         {(dir / "stick" / "backups").string(), std::string("/proc/self/kavro")}) {
        person.boxes.clear();
        const auto result = BackupCatalogueTo(*catalogue, folder);
        const std::string said = describe(result, person);
        EXPECT_TRUE(said.starts_with("failed\nbox System Message: 檔案輸出錯誤")) << folder << ": " << said;
        EXPECT_NE(said.find(folder), std::string::npos) << said;
    }
    EXPECT_EQ(TempDir::read(dir / "stick"), "a file, not a folder");
}

// A second connection to the catalogue, as another program holding it would have.
class OtherProgram {
public:
    explicit OtherProgram(const fs::path& file)
    {
        sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    }
    ~OtherProgram() { sqlite3_close(m_db); }
    int exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3* m_db = nullptr;
};

TEST_F(CatalogueFault, LockedCatalogueDoesNotOpenAndSaysWhy)
{
    open();
    addDisc(1, 1, "Kept");
    catalogue.reset();
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");
    // Locked against reading, and locked against writing only (the open writes its counters).
    for (const char* lock : {"BEGIN EXCLUSIVE", "BEGIN IMMEDIATE"}) {
        OtherProgram other(dir / "KAVRO2.MDB");
        ASSERT_EQ(other.exec(lock), SQLITE_OK);
        ASSERT_EQ(other.exec("DELETE FROM KAVRO"), SQLITE_OK);

        Catalogue locked(dir.path(), person, texts, clock);
        const DbStatus s = locked.open();
        ASSERT_FALSE(s.ok()) << lock;
        EXPECT_NE(s.error().find((dir / "KAVRO2.MDB").string()), std::string::npos) << s.error();
        EXPECT_NE(s.error().find("in use by another program"), std::string::npos) << s.error();
        EXPECT_FALSE(locked.isOpen());

        ASSERT_EQ(other.exec("ROLLBACK"), SQLITE_OK);
        EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
        EXPECT_TRUE(locked.open().ok()) << "opens once the other program is done";
    }
}

TEST_F(CatalogueFault, WriteWhileAnotherProgramHoldsTheLockGivesUpAndSaysWhy)
{
    open();
    addDisc(1, 1, "Kept");
    ASSERT_TRUE(LoadCategories(*catalogue).ok());
    catalogue->database().setBusyTimeout(50);
    OtherProgram other(dir / "KAVRO2.MDB");
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    ASSERT_EQ(other.exec("UPDATE KAVRO SET TitleA='other' WHERE 0"), SQLITE_OK);

    // A disc row written through the cursor.
    DiscCursor& cursor = catalogue->discCursor();
    ASSERT_TRUE(cursor.append().ok());
    cursor.setField("MachineNo", DbValue(1));
    cursor.setField("Slot", DbValue(2));
    const DbStatus posted = cursor.post();
    EXPECT_FALSE(posted.ok());
    EXPECT_NE(posted.error().find("in use by another program"), std::string::npos) << posted.error();
    cursor.cancel();
    // A category saved through the queries, in a transaction of its own.
    auto made = NewCategory(*catalogue);
    EXPECT_FALSE(made.ok());
    EXPECT_NE(made.error().find("in use by another program"), std::string::npos) << made.error();

    ASSERT_EQ(other.exec("COMMIT"), SQLITE_OK);
    // The failed write left nothing behind: the next one goes through.
    EXPECT_FALSE(catalogue->database().inTransaction());
    addDisc(1, 3, "After");
    EXPECT_EQ(discs(), (std::vector<std::tuple<int, int, std::string>>{{1, 1, "Kept"}, {1, 3, "After"}}));
}

} // namespace
} // namespace kavro::test
