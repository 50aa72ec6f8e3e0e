#include "views/dialogs/PathPicker.h"
#include "platform/Drives.h"
#include "platform/Texts.h"
#include "shell/AppContext.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "views/dialogs/TPathDialog.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

std::string folderOf(const fs::path& p)
{
    return p.lexically_normal().string();
}

// Two drive letters standing for folders of a temporary tree, beside "/".
class PathPickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir.write("a/sub/KAVRO2.MDB", "backup");
        dir.write("b/x/KAVRO2.MDB", "backup");
        dir.write("b/x/old.mdb", "older");
        dir.write("b/x/.hidden.Mdb", "hidden");
        dir.write("b/x/notes.txt", "not a catalogue");
        dir.write("b/x/y/KAVRO.MDB", "oldest");
        fs::create_directories(dir / "prog/Backup");
    }

    std::vector<PickerDrive> drives() const
    {
        return {{"/", "/", 0}, {"A:", dir / "a", 'A'}, {"B:", dir / "b", 'B'}};
    }

    // A click on a folder of the folder list.
    static void clickFolder(TPathDialog& d, const fs::path& folder)
    {
        const QModelIndex at = d.folderIndex(folderOf(folder));
        ASSERT_TRUE(at.isValid()) << folder;
        d.folderList()->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
        emit d.folderList()->clicked(at);
    }

    static void clickFile(TPathDialog& d, const std::string& name)
    {
        const auto found = d.fileList()->findItems(QString::fromStdString(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        found.front()->setSelected(true);
        emit d.fileList()->itemClicked(found.front());
    }

    static std::vector<std::string> files(const TPathDialog& d)
    {
        std::vector<std::string> out;
        for (int i = 0; i < d.fileList()->count(); ++i)
            out.push_back(d.fileList()->item(i)->text().toStdString());
        return out;
    }

    TempDir dir;
    DefaultTexts texts;
};

TEST_F(PathPickerTest, RestoreModeNeedsAFileBackupModeDoesNot)
{
    TPathDialog restore(TPathDialog::Mode::Restore, drives(), {}, texts);
    EXPECT_EQ(restore.objectName(), QStringLiteral("PathDialog"));
    EXPECT_FALSE(restore.okButton()->isEnabled());
    restore.selectDrive(2);
    EXPECT_EQ(restore.windowTitle().toStdString(), "選擇備份路徑 B");
    EXPECT_EQ(restore.currentFolder(), folderOf(dir / "b"));
    EXPECT_FALSE(restore.okButton()->isEnabled());
    clickFolder(restore, dir / "b/x");
    EXPECT_EQ(restore.currentFolder(), folderOf(dir / "b/x"));
    EXPECT_FALSE(restore.okButton()->isEnabled());
    EXPECT_EQ(restore.currentFile(), "");
    clickFile(restore, "KAVRO2.MDB");
    EXPECT_TRUE(restore.okButton()->isEnabled());
    EXPECT_EQ(restore.currentFile(), (dir / "b/x/KAVRO2.MDB").string());

    TPathDialog backup(TPathDialog::Mode::Backup, drives(), {}, texts);
    backup.okButton()->setEnabled(false);
    backup.selectDrive(1);
    EXPECT_EQ(backup.windowTitle().toStdString(), "選擇備份路徑 A");
    EXPECT_TRUE(backup.okButton()->isEnabled());
    backup.okButton()->setEnabled(false);
    clickFolder(backup, dir / "a/sub");
    EXPECT_TRUE(backup.okButton()->isEnabled()) << "a backup needs a folder only";

    // Changing drive in restore mode takes back an OK that a file had given.
    restore.selectDrive(1);
    EXPECT_FALSE(restore.okButton()->isEnabled());
    EXPECT_TRUE(restore.fileList()->selectedItems().isEmpty());
}

TEST_F(PathPickerTest, CatalogueFileKeptFromTheLastRunLetsAFolderConfirmARestore)
{
    // ".MDB" from the fifth character on counts; a shorter name does not.
    TPathDialog kept(TPathDialog::Mode::Restore, drives(), (dir / "a/sub/KAVRO2.MDB").string(), texts);
    kept.selectDrive(2);
    clickFolder(kept, dir / "b/x/y");
    EXPECT_TRUE(kept.okButton()->isEnabled());

    TPathDialog tooShort(TPathDialog::Mode::Restore, drives(), "x.MDB", texts);
    tooShort.selectDrive(2);
    clickFolder(tooShort, dir / "b/x/y");
    EXPECT_FALSE(tooShort.okButton()->isEnabled());

    TPathDialog other(TPathDialog::Mode::Restore, drives(), (dir / "b/x/notes.txt").string(), texts);
    other.selectDrive(2);
    clickFolder(other, dir / "b/x/y");
    EXPECT_FALSE(other.okButton()->isEnabled());
}

TEST_F(PathPickerTest, FileListShowsTheCatalogueFilesOfTheFolderInAnyCase)
{
    // A safety copy names its time and its discs; one that cannot be read, its time alone.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "b/x/KAVRO2-20240102-090000.MDB").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE KAVRO (Slot INTEGER); INSERT INTO KAVRO VALUES (1), (2)", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    dir.write("b/x/KAVRO2-20240103-100000.MDB", "damaged");
    TPathDialog d(TPathDialog::Mode::Restore, drives(), {}, texts);
    d.selectDrive(2);
    clickFolder(d, dir / "b/x");
    EXPECT_EQ(files(d), (std::vector<std::string>{".hidden.Mdb", "KAVRO2-20240102-090000.MDB  (2024-01-02 09:00:00, 2 discs)",
                                                  "KAVRO2-20240103-100000.MDB  (2024-01-03 10:00:00)", "KAVRO2.MDB",
                                                  "old.mdb"}));
    // The folder list holds folders only, and only those of the drive.
    const QModelIndex x = d.folderIndex(folderOf(dir / "b/x"));
    for (int row = 0; row < d.folderList()->model()->rowCount(x); ++row)
        EXPECT_EQ(d.folderList()->model()->index(row, 0, x).data().toString(), QStringLiteral("y"));
    const QModelIndex top = d.folderList()->rootIndex();
    ASSERT_EQ(d.folderList()->model()->rowCount(top), 1);
    EXPECT_EQ(d.folderList()->model()->index(0, 0, top).data().toString(), QStringLiteral("b"));
}

TEST_F(PathPickerTest, OkKeepsFolderAndFileCancelEmptiesBothEscEmptiesTheFolder)
{
    AppContext context;
    context.programFolder = (dir / "prog").string() + "/";
    PathPicker picker(context, nullptr);
    picker.setDriveSource([this] { return drives(); });

    picker.setOnShow([this](TPathDialog& d) {
        d.selectDrive(2);
        clickFolder(d, dir / "b/x");
        clickFile(d, "old.mdb");
        d.okButton()->click();
    });
    picker.run(PathPicker::Mode::Restore, "匯入KAVRO2.MDB");
    EXPECT_EQ(picker.chosenFolder(), folderOf(dir / "b/x"));
    EXPECT_EQ(picker.chosenFile(), (dir / "b/x/old.mdb").string());

    std::string caption;
    picker.setOnShow([&caption](TPathDialog& d) {
        caption = d.windowTitle().toStdString();
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    picker.run(PathPicker::Mode::Restore, "匯入KAVRO2.MDB");
    EXPECT_EQ(caption, "匯入KAVRO2.MDB");
    EXPECT_EQ(picker.chosenFolder(), "");
    EXPECT_EQ(picker.chosenFile(), (dir / "b/x/old.mdb").string());

    picker.setOnShow([](TPathDialog& d) { d.close(); });
    picker.run(PathPicker::Mode::Backup, "備份MDB");
    EXPECT_EQ(picker.chosenFolder(), "") << "closing the window confirms nothing";

    picker.setOnShow([](TPathDialog& d) { d.cancelButton()->click(); });
    picker.run(PathPicker::Mode::Backup, "備份MDB");
    EXPECT_EQ(picker.chosenFolder(), "");
    EXPECT_EQ(picker.chosenFile(), "");
}

TEST_F(PathPickerTest, OpensWhereBackupPathSays)
{
    const fs::path prog = dir / "prog";
    const auto start = [&](std::string_view value) { return ResolvePickerStart(value, drives(), prog); };

    // "X:" selects the drive of that letter and the folder below its root.
    PickerStart s = start("B:\\x\\y");
    EXPECT_EQ(s.drive, 2);
    EXPECT_EQ(s.folder, dir / "b/x/y");
    s = start("a:/sub");
    EXPECT_EQ(s.drive, 1);
    EXPECT_EQ(s.folder, dir / "a/sub");
    // The drive alone keeps the folder list where the drive puts it.
    s = start("B:");
    EXPECT_EQ(s.drive, 2);
    EXPECT_TRUE(s.folder.empty());
    // A folder that is gone gives way to the nearest one above it.
    s = start("B:\\x\\gone\\deeper");
    EXPECT_EQ(s.folder, dir / "b/x");
    // Empty, or a letter this computer lacks: the program folder's Backup folder.
    EXPECT_EQ(start("").folder, prog / "Backup");
    EXPECT_EQ(start("").drive, 0);
    EXPECT_EQ(start("Q:\\backups").folder, prog / "Backup");
    // A plain folder; a relative one lies below the program folder.
    s = start((dir / "a/sub").string());
    EXPECT_EQ(s.drive, 1) << "the drive whose root holds it";
    EXPECT_EQ(s.folder, dir / "a/sub");
    EXPECT_EQ(start("Backup").folder, prog / "Backup");

    // Through the window: the setting read as it opens, the drive change retitling it.
    AppContext context;
    context.programFolder = prog.string() + "/";
    context.settings = std::make_unique<Settings>(dir / "Kavro.ini");
    ASSERT_TRUE(context.settings->writeString("System", "BackupPath", "B:\\x"));
    PathPicker picker(context, nullptr);
    picker.setDriveSource([this] { return drives(); });
    int drive = -1;
    std::string folder;
    std::string caption;
    bool ok = true;
    picker.setOnShow([&](TPathDialog& d) {
        drive = d.currentDrive();
        folder = d.currentFolder();
        caption = d.windowTitle().toStdString();
        ok = d.okButton()->isEnabled();
        d.okButton()->click(); // disabled: nothing happens
        if (d.isVisible())
            QTest::keyClick(&d, Qt::Key_Escape);
    });
    picker.run(PathPicker::Mode::Restore, "匯入KAVRO2.MDB");
    EXPECT_EQ(drive, 2);
    EXPECT_EQ(folder, folderOf(dir / "b/x"));
    EXPECT_EQ(caption, "選擇備份路徑 B");
    EXPECT_FALSE(ok);
    EXPECT_EQ(picker.chosenFolder(), "") << "a disabled OK confirms nothing";

    ASSERT_TRUE(context.settings->writeString("System", "BackupPath", ""));
    picker.setOnShow([&](TPathDialog& d) {
        folder = d.currentFolder();
        ok = d.okButton()->isEnabled();
        d.okButton()->click();
    });
    picker.run(PathPicker::Mode::Backup, "備份MDB");
    EXPECT_EQ(folder, folderOf(prog / "Backup"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(picker.chosenFolder(), folderOf(prog / "Backup"));
}

TEST_F(PathPickerTest, LanguageFileLabelsTheButtonsWhileTheCallersCaptionStands)
{
    AppContext context;
    context.programFolder = (dir / "prog").string() + "/";
    context.log = std::make_unique<ProgramLog>(dir / "kavro.log");
    VirtualClock clock;
    context.clock = &clock;
    context.language.loadText("English\n4200=Choose a folder\n4201=Go\n4202=Leave\n0103=Backup folder on \n");
    PathPicker picker(context, nullptr);
    picker.setDriveSource([this] { return drives(); });
    std::vector<std::string> seen;
    picker.setOnShow([&](TPathDialog& d) {
        seen.push_back(d.windowTitle().toStdString());
        seen.push_back(d.okButton()->text().toStdString());
        seen.push_back(d.cancelButton()->text().toStdString());
        d.selectDrive(1);
        seen.push_back(d.windowTitle().toStdString());
        d.cancelButton()->click();
    });
    picker.run(PathPicker::Mode::Backup, "Back up the catalogue");
    EXPECT_EQ(seen, (std::vector<std::string>{"Back up the catalogue", "Go", "Leave", "Backup folder on A"}));
}

TEST_F(PathPickerTest, DriveBoxOffersRootLettersAndRemovableMedia)
{
    fs::create_directories(dir / "g");
    DriveMounts mounts({{8, 1, "/", "/", "ext4", "/dev/sda1", false},
                        {8, 2, "/", "/home", "ext4", "/dev/sda2", false},
                        {8, 17, "/", "/media/me/STICK", "vfat", "/dev/sdb1", false},
                        {8, 33, "/", "/srv/card", "vfat", "/dev/sdc1", false}});
    const Drives letters = Drives::build(Drives::System{{}, mounts}, [&](char letter) {
        return letter == 'G' ? (dir / "g").string() : std::string();
    });
    const auto offered = PickerDrives(letters, mounts, [](const MountEntry& m) {
        return m.mountPoint == "/media/me/STICK" || m.mountPoint == "/srv/card";
    });
    ASSERT_EQ(offered.size(), 4u);
    EXPECT_EQ(offered[0].label, "/");
    EXPECT_EQ(offered[1].letter, 'G');
    EXPECT_EQ(offered[1].root, dir / "g");
    EXPECT_EQ(offered[1].label, "G:  " + (dir / "g").string());
    EXPECT_EQ(offered[2].label, "/media/me/STICK");
    EXPECT_EQ(offered[3].root, fs::path("/srv/card"));

    // Removable: the desktop's media folders, or the disk the partition is on says so.
    TempDir sys;
    sys.write("devices/sdc/removable", "1\n");
    sys.write("devices/sda/removable", "0\n");
    fs::create_directories(sys / "devices/sdc/sdc1");
    fs::create_directories(sys / "devices/sda/sda2");
    fs::create_directories(sys / "class");
    fs::create_directory_symlink(sys / "devices/sdc/sdc1", sys / "class/sdc1");
    fs::create_directory_symlink(sys / "devices/sda/sda2", sys / "class/sda2");
    EXPECT_TRUE(IsRemovableMount(mounts.entries()[3], sys / "class"));
    EXPECT_FALSE(IsRemovableMount(mounts.entries()[1], sys / "class"));
    EXPECT_TRUE(IsRemovableMount(mounts.entries()[2], sys / "class"));
    EXPECT_FALSE(IsRemovableMount({0, 0, "/", "/run/user/1000", "tmpfs", "tmpfs", false}, sys / "class"));
}

} // namespace
} // namespace kavro::test
