#include "shell/AppContext.h"
#include "shell/InstanceLock.h"
#include "shell/ProgramFolder.h"
#include "shell/StartUp.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include <unistd.h>

using kavro::test::TempDir;
namespace fs = std::filesystem;
namespace startup = kavro::startup;

namespace {

std::string folderOf(const TempDir& dir)
{
    return dir.path().string() + "/";
}

} // namespace

TEST(SettingsFileChoice, DataFileWinsOverTheOneBesideTheProgram)
{
    TempDir dir;
    dir.write("Data/Kavro.ini", "[System]\nWidth1=1\n");
    dir.write("Kavro.ini", "[System]\nWidth1=2\n");
    EXPECT_EQ(startup::chooseSettingsFile(folderOf(dir)), folderOf(dir) + "Data/Kavro.ini");
}

TEST(SettingsFileChoice, OnlyTheOneBesideTheProgramIsUsedWhereItIs)
{
    TempDir dir;
    fs::create_directory(dir / "Data");
    dir.write("Kavro.ini", "[System]\n");
    EXPECT_EQ(startup::chooseSettingsFile(folderOf(dir)), folderOf(dir) + "Kavro.ini");
    EXPECT_FALSE(fs::exists(dir / "Data/Kavro.ini")) << "the file is never copied";
}

TEST(SettingsFileChoice, NeitherGivesTheDataFileWithoutMakingIt)
{
    TempDir dir;
    EXPECT_EQ(startup::chooseSettingsFile(folderOf(dir)), folderOf(dir) + "Data/Kavro.ini");
    EXPECT_FALSE(fs::exists(dir / "Data/Kavro.ini"));
}

TEST(LanguageMove, FileBesideTheProgramMovesIntoLanguage)
{
    TempDir dir;
    startup::makeFolders(folderOf(dir));
    dir.write("language.eng", "English\n2000=Kavro\n");
    EXPECT_EQ(startup::moveLanguageEng(folderOf(dir)), startup::LanguageMove::Moved);
    EXPECT_FALSE(fs::exists(dir / "language.eng"));
    EXPECT_EQ(TempDir::read(dir / "Language/language.eng"), "English\n2000=Kavro\n");
}

TEST(LanguageMove, ExistingLanguageFileWinsAndBothStay)
{
    TempDir dir;
    dir.write("language.eng", "old\n");
    dir.write("Language/language.eng", "new\n");
    EXPECT_EQ(startup::moveLanguageEng(folderOf(dir)), startup::LanguageMove::Kept);
    EXPECT_EQ(TempDir::read(dir / "language.eng"), "old\n");
    EXPECT_EQ(TempDir::read(dir / "Language/language.eng"), "new\n");
}

TEST(LanguageMove, NothingBesideTheProgramChangesNothing)
{
    TempDir dir;
    startup::makeFolders(folderOf(dir));
    EXPECT_EQ(startup::moveLanguageEng(folderOf(dir)), startup::LanguageMove::NothingToMove);
    EXPECT_TRUE(fs::is_empty(dir / "Language"));
}

TEST(ProgramFolders, MadeWhenMissingAndLeftAloneOtherwise)
{
    TempDir dir;
    dir.write("Data/keep.txt", "x");
    dir.write("Backup", "a file, not a folder");
    startup::makeFolders(folderOf(dir));
    EXPECT_TRUE(fs::is_directory(dir / "Language"));
    EXPECT_TRUE(fs::is_directory(dir / "Preview"));
    EXPECT_EQ(TempDir::read(dir / "Data/keep.txt"), "x");
    EXPECT_TRUE(fs::is_regular_file(dir / "Backup")) << "a failure to make a folder is ignored";
}

TEST(LanguagePath, EmptyNameNamesTheLanguageFolderItself)
{
    EXPECT_EQ(startup::languageFilePath("/opt/kavro/", "language.cht"), "/opt/kavro/Language/language.cht");
    EXPECT_EQ(startup::languageFilePath("/opt/kavro/", ""), "/opt/kavro/Language/");
}

TEST(WaitWithEvents, LetsEventsRunThroughoutTheWait)
{
    kavro::test::VirtualClock clock;
    int runsAt500 = -1;
    const auto start = clock.nowMs();
    clock.onProcessEvents = [&] {
        if (runsAt500 < 0 && clock.nowMs() - start >= 500)
            runsAt500 = clock.eventRuns;
    };
    startup::waitWithEvents(clock, 1000);
    EXPECT_EQ(std::accumulate(clock.sleeps.begin(), clock.sleeps.end(), 0), 1000);
    EXPECT_GT(runsAt500, 1) << "events must run during the wait, not only at its ends";
    EXPECT_GT(clock.eventRuns, runsAt500);
}

TEST(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstEnds)
{
    TempDir dir;
    {
        kavro::InstanceLock first;
        ASSERT_TRUE(first.acquire(dir.path().string()));
        EXPECT_TRUE(fs::exists(dir / "KavroInstance"));
        kavro::InstanceLock second;
        EXPECT_FALSE(second.acquire(dir.path().string()));
        EXPECT_FALSE(second.held());
    }
    kavro::InstanceLock third;
    EXPECT_TRUE(third.acquire(dir.path().string()));
}

TEST(InstanceLockTest, UnusableFolderCountsAsRefused)
{
    TempDir dir;
    kavro::InstanceLock lock;
    EXPECT_FALSE(lock.acquire((dir / "missing").string()));
}

TEST(InstanceLockTest, RuntimeFolderNotOwnedByTheUserFallsBackToAFolderOfTheirOwn)
{
    TempDir dir;
    fs::create_directory(dir / "run");
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", fs::perms::all); // like /tmp, or another user's folder
    const std::string own = (dir / "run").string();
    const std::string shared = (dir / "shared").string();
    const std::string perUser = (dir / ("kavro-" + std::to_string(::geteuid()))).string();
    struct Case {
        const char* runtime;
        std::string expected;
    } cases[] = {
        {own.c_str(), own},
        {nullptr, perUser},
        {"relative/run", perUser},
        {"/nonexistent/run", perUser},
        {shared.c_str(), perUser},
    };
    for (const Case& c : cases) {
        const std::string folder = kavro::InstanceLock::folderFor(c.runtime, dir.path().string());
        EXPECT_EQ(folder, c.expected) << (c.runtime ? c.runtime : "(unset)");
        kavro::InstanceLock lock;
        EXPECT_TRUE(lock.acquire(folder)) << (c.runtime ? c.runtime : "(unset)");
    }
    EXPECT_EQ(fs::status(perUser).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST(ProgramFolderTest, WritableExecutableFolderIsTheProgramFolder)
{
    TempDir dir;
    const auto folder = kavro::ProgramFolder::locate(dir / "Kavro", {"/nowhere", "/nowhere"});
    EXPECT_EQ(folder.path(), folderOf(dir));
    EXPECT_EQ(folder.programFileName(), "Kavro");
    EXPECT_TRUE(folder.isInstallFolder());
    EXPECT_EQ(folder.file("Data/Kavro.ini"), folderOf(dir) + "Data/Kavro.ini");
}

TEST(ProgramFolderTest, ReadOnlyInstallationUsesThePerUserFolderAndSeedsLanguages)
{
    TempDir install;
    TempDir user;
    install.write("bin/Kavro", "");
    install.write("share/kavro/Language/language.eng", "English\n");
    install.write("share/kavro/Language/language.cht", "Chinese\n");
    user.write("data/kavro/Language/language.cht", "edited by the user\n");
    const auto readOnly = [](const std::string&) { return false; };

    const auto folder =
        kavro::ProgramFolder::locate(install / "bin/Kavro", {(user / "data").string(), "/nowhere"}, readOnly);
    EXPECT_EQ(folder.path(), (user / "data/kavro").string() + "/");
    EXPECT_FALSE(folder.isInstallFolder());
    EXPECT_EQ(folder.seedLanguageFiles(), 1);
    EXPECT_EQ(TempDir::read(user / "data/kavro/Language/language.eng"), "English\n");
    EXPECT_EQ(TempDir::read(user / "data/kavro/Language/language.cht"), "edited by the user\n");
}

TEST(ProgramFolderTest, InstalledLayoutIsNeverTheProgramFolderEvenWhenWritable)
{
    // Root may write to /usr/bin; bin/ beside share/kavro/ still marks the package's folder.
    TempDir install;
    TempDir user;
    install.write("bin/Kavro", "");
    install.write("share/kavro/Language/language.eng", "English\n");
    install.write("stage/Kavro", "");
    const auto writable = [](const std::string&) { return true; };
    const auto installed =
        kavro::ProgramFolder::locate(install / "bin/Kavro", {(user / "data").string(), "/nowhere"}, writable);
    EXPECT_EQ(installed.path(), (user / "data/kavro").string() + "/");
    EXPECT_EQ(installed.seedLanguageFiles(), 1);
    const auto staged =
        kavro::ProgramFolder::locate(install / "stage/Kavro", {(user / "data").string(), "/nowhere"}, writable);
    EXPECT_TRUE(staged.isInstallFolder());
}

TEST(ProgramFolderTest, RelativeXdgDataHomeFallsBackToHome)
{
    TempDir home;
    const auto folder = kavro::ProgramFolder::locate(
        "/usr/bin/Kavro", {"relative/data", home.path().string()}, [](const std::string&) { return false; });
    EXPECT_EQ(folder.path(), home.path().string() + "/.local/share/kavro/");
    EXPECT_TRUE(fs::is_directory(home / ".local/share/kavro"));
}

TEST(LanguageNameSetting, PresentButEmptyIsUsedAsItIs)
{
    TempDir dir;
    kavro::AppContext context;
    context.settings = std::make_unique<kavro::Settings>(dir / "Kavro.ini");
    EXPECT_EQ(startup::languageName(context), "language.eng") << "missing key: the default";
    dir.write("Kavro.ini", "[system]\nlanguagename=\n");
    EXPECT_EQ(startup::languageName(context), "");
    dir.write("Kavro.ini", "[System]\nLanguageName=language.cht\n");
    EXPECT_EQ(startup::languageFilePath("/k/", startup::languageName(context)), "/k/Language/language.cht");
}
