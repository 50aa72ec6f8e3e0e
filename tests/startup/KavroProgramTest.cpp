// The real program, run in a temporary program folder without a display, in the tests' build of
// it (KavroWithSeams, beside this test): message boxes are recorded on standard output instead of
// shown (KAVRO_TEST_BOXES=-), and the main window closes itself when asked
// (KAVRO_TEST_CLOSE_AFTER_MS). The shipped Kavro obeys none of these.
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using kavro::test::TempDir;
namespace fs = std::filesystem;

namespace {

fs::path stageFolder()
{
    if (const char* stage = std::getenv("KAVRO_STAGE_DIR"))
        return stage;
    // Run by hand from the build folder: the stage sits beside tests/.
    return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "stage";
}

struct ProgramFixture : ::testing::Test {
    TempDir dir;
    fs::path program = dir / "Kavro";

    void SetUp() override
    {
        const fs::path stage = stageFolder();
        if (!fs::exists(stage / "Kavro"))
            GTEST_SKIP() << "Kavro is not built in " << stage;
        fs::create_directories(dir / "runtime");
        fs::permissions(dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        const fs::path seamed = fs::read_symlink("/proc/self/exe").parent_path() / "KavroWithSeams";
        if (!fs::exists(seamed))
            GTEST_SKIP() << "KavroWithSeams is not built beside the test";
        fs::copy_file(seamed, program);
        for (const auto& entry : fs::directory_iterator(stage)) {
            if (entry.path().filename().string().starts_with("libtorvex.so"))
                fs::copy(entry.path(), dir.path() / entry.path().filename(), fs::copy_options::copy_symlinks);
        }
    }

    void installLanguage(const std::string& name, const std::string& text)
    {
        dir.write("Language/" + name, text);
    }

    QProcessEnvironment environment(int closeAfterMs) const
    {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString((dir / "runtime").string()));
        env.insert(QStringLiteral("KAVRO_REGISTRY_ROOT"),
                   QString::fromStdString((dir / "registry").string()));
        env.insert(QStringLiteral("KAVRO_TEST_BOXES"), QStringLiteral("-"));
        env.insert(QStringLiteral("KAVRO_TEST_CLOSE_AFTER_MS"), QString::number(closeAfterMs));
        if (const char* source = std::getenv("KAVRO_SOURCE_DIR")) {
            const fs::path demo = fs::path(source) / "torvex/sim/demo-cabinets.sim";
            if (fs::exists(demo))
                env.insert(QStringLiteral("TORVEX_SIMULATOR"), QString::fromStdString(demo.string()));
        }
        return env;
    }

    // Runs the program as another user (when the test runs as root, file modes alone bind nobody).
    std::function<void()> childModifier;

    void start(QProcess& process, int closeAfterMs) const
    {
        if (childModifier)
            process.setChildProcessModifier(childModifier);
        process.setProcessEnvironment(environment(closeAfterMs));
        process.setWorkingDirectory(QString::fromStdString(dir.path().string()));
        process.start(QString::fromStdString(program.string()), {});
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    // Runs the program to its end; returns what it recorded.
    std::string run(int closeAfterMs = 0)
    {
        QProcess process;
        start(process, closeAfterMs);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << "the exit code is always 0";
        return process.readAllStandardOutput().toStdString();
    }

    std::string folder() const { return dir.path().string() + "/"; }
};

} // namespace

TEST(ShippedProgram, ReadsNoTestSwitch)
{
    // A switch the shipped program read would let any user skip the password (registry root),
    // answer every question with Yes (boxes) or close the window; its name would be in the file.
    const fs::path shipped = stageFolder() / "Kavro";
    if (!fs::exists(shipped))
        GTEST_SKIP() << "Kavro is not built in " << stageFolder();
    const std::string bytes = TempDir::read(shipped);
    for (const char* name : {"KAVRO_TEST_BOXES", "KAVRO_TEST_CLOSE_AFTER_MS", "KAVRO_REGISTRY_ROOT"})
        EXPECT_EQ(bytes.find(name), std::string::npos) << name;
}

TEST_F(ProgramFixture, EmptyLanguageNameStopsNamingTheLanguageFolder)
{
    installLanguage("language.eng", "English\n0000=KAVRO 5.1\n");
    dir.write("Data/Kavro.ini", "[System]\nLanguageName=\n");
    EXPECT_EQ(run(), "box\tWarnning!!!\t" + folder() + "Language/ not found\tstop\n");
}

TEST_F(ProgramFixture, LanguageFileOfCommentsOnlyStops)
{
    installLanguage("language.eng", "; English\n[Texts]\n# 2000=Kavro\n// 0000=KAVRO\n");
    EXPECT_EQ(run(), "box\tWarnning!!!\t" + folder() + "Language/language.eng not found\tstop\n");
}

TEST_F(ProgramFixture, NormalRunPreparesTheFolderAndSavesTheWindowOnClose)
{
    // An older installation's language file beside the program moves into Language/.
    dir.write("language.eng", "English\n0000=KAVRO 5.1\n2000=Kavro Test Window\n");
    dir.write("Kavro.ini", "[System]\nWindowState=0\nFormWidth=800\n");
    // Machines new to this folder are named as the window comes up (the prompts are recorded
    // and answered cancelled); nothing else is shown.
    const std::string output = run();
    EXPECT_TRUE(output.ends_with("shown\tMainForm\t\t\n")) << output;
    EXPECT_EQ(output.find("box\t"), std::string::npos) << output;
    for (const char* name : {"Data", "Backup", "Language", "Preview"})
        EXPECT_TRUE(fs::is_directory(dir / name)) << name;
    EXPECT_FALSE(fs::exists(dir / "language.eng"));
    EXPECT_TRUE(fs::exists(dir / "Language/language.eng"));
    // Only the settings file beside the program existed, so it serves the whole run.
    EXPECT_FALSE(fs::exists(dir / "Data/Kavro.ini"));
    const std::string settings = TempDir::read(dir / "Kavro.ini");
    EXPECT_NE(settings.find("FormWidth=800"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Width15="), std::string::npos) << settings;
}

TEST_F(ProgramFixture, SecondInstanceIsRefusedWhileTheFirstRuns)
{
    installLanguage("language.eng", "English\n0000=KAVRO 5.1\n");
    QProcess first;
    start(first, 120000);
    // The first has its window once it says so; it holds the instance lock by then.
    std::string firstOutput;
    while (firstOutput.find("shown\tMainForm") == std::string::npos) {
        ASSERT_TRUE(first.waitForReadyRead(60000))
            << "first instance never showed its window: " << firstOutput;
        firstOutput += first.readAllStandardOutput().toStdString();
    }

    EXPECT_EQ(run(), "box\tWarnning!!!\tKavro already running\tstop\n");

    first.terminate();
    EXPECT_TRUE(first.waitForFinished(30000));
}

// A catalogue file as this program writes it, with one disc.
void makeCatalogue(const fs::path& file)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(db,
                     "CREATE TABLE KAVRO (Serial INTEGER, Slot INTEGER, MachineNo INTEGER, TitleA TEXT);"
                     "INSERT INTO KAVRO VALUES (0, 1, 1, 'Kept');",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(ProgramFixture, CatalogueLockedByAnotherProgramIsNamedAndTheProgramEnds)
{
    installLanguage("language.eng", "English\n0000=KAVRO 5.1\n");
    makeCatalogue(dir / "KAVRO2.MDB");
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "KAVRO2.MDB").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    // It waits a moment for the other program, then tells and ends rather than hanging.
    const std::string output = run();
    EXPECT_TRUE(output.starts_with("box\tWarnning!!!\tThe catalogue " + folder() +
                                   "KAVRO2.MDB is in use by "
                                   "another program"))
        << output;
    EXPECT_EQ(output.find("shown\tMainForm"), std::string::npos) << output;

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
    EXPECT_FALSE(fs::exists(dir / "KAVRO2.MDB-journal"));
}

TEST_F(ProgramFixture, CatalogueThatCannotBeWrittenIsNamedAndTheProgramEnds)
{
    installLanguage("language.eng", "English\n0000=KAVRO 5.1\n");
    makeCatalogue(dir / "KAVRO2.MDB");
    fs::permissions(dir / "KAVRO2.MDB",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");
    if (geteuid() == 0) {
        // An administrator writes any file: the program runs as nobody in a folder nobody may
        // write, all but the catalogue, which stays root's.
        fs::permissions(dir.path(), fs::perms::all);
        ASSERT_EQ(chown((dir / "runtime").c_str(), 65534, 65534), 0);
        childModifier = [] {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(99);
        };
    }

    const std::string output = run();
    EXPECT_EQ(output,
              "box\tWarnning!!!\tThe catalogue " + folder() +
                  "KAVRO2.MDB cannot be written (it is read-only). Give yourself the right to change it, "
                  "or copy it to a folder of your own, and start again.\tstop\n");
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
}
