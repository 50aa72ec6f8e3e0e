#include "catalogue/import/ImportFixture.h"

#include "catalogue/import/CatalogueBackupTarget.h"

#include <sqlite3.h>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Outcome = CatalogueBackupResult::Outcome;

class Backup : public ImportFixture {
protected:
    // The disc titles of a catalogue file, read on a connection of its own.
    static std::vector<std::string> titlesIn(const fs::path& file)
    {
        std::vector<std::string> titles;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT TitleA FROM KAVRO ORDER BY rowid", -1, &stmt, nullptr) ==
                SQLITE_OK) {
                while (sqlite3_step(stmt) == SQLITE_ROW)
                    titles.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return titles;
    }

    std::vector<std::string> filesIn(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(Backup, CopiesTheOpenCatalogueIntoTheChosenFolder)
{
    open();
    addDisc(1, 1, "One");
    addDisc(1, 2, "Two");
    fs::create_directories(dir / "usb");

    const auto result = BackupCatalogueTo(*catalogue, (dir / "usb").string());
    EXPECT_EQ(result.outcome, Outcome::Written) << result.error;
    EXPECT_EQ(result.target, dir / "usb" / "KAVRO2.MDB");
    EXPECT_EQ(titlesIn(result.target), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(filesIn(dir / "usb"), std::vector<std::string>{"KAVRO2.MDB"});
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(Backup, IntoTheProgramFolderDoesNothing)
{
    open();
    addDisc(1, 1, "One");
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");

    EXPECT_EQ(BackupCatalogueTo(*catalogue, dir.path().string()).outcome, Outcome::SameFile);
    EXPECT_EQ(BackupCatalogueTo(*catalogue, (dir / "Data" / "..").string()).outcome, Outcome::SameFile);
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
}

TEST_F(Backup, OverAnOlderBackupAsksFirstAndCancelLeavesItUntouched)
{
    open();
    addDisc(1, 1, "Now");
    const std::string older = TempDir::read(makeCatalogueFile(dir / "usb", {{1, 1, "Then"}}));
    person.boxAnswers = {BoxAnswer::Cancel};

    const auto result = BackupCatalogueTo(*catalogue, (dir / "usb").string());
    EXPECT_EQ(result.outcome, Outcome::Refused);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("蓋過舊資料嗎?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(TempDir::read(dir / "usb" / "KAVRO2.MDB"), older);

    person.boxAnswers = {BoxAnswer::Ok};
    EXPECT_EQ(BackupCatalogueTo(*catalogue, (dir / "usb").string()).outcome, Outcome::Written);
    EXPECT_EQ(titlesIn(dir / "usb" / "KAVRO2.MDB"), std::vector<std::string>{"Now"});
}

TEST_F(Backup, FailureIsToldAndKeepsTheOlderBackup)
{
    open();
    addDisc(1, 1, "Now");
    // A folder standing where the backup file would go cannot be replaced by a file.
    fs::create_directories(dir / "usb" / "KAVRO2.MDB");
    dir.write("usb/KAVRO2.MDB/keep", "kept");
    person.boxAnswers = {BoxAnswer::Ok};

    const auto result = BackupCatalogueTo(*catalogue, (dir / "usb").string());
    EXPECT_EQ(result.outcome, Outcome::Failed);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].caption, "System Message");
    EXPECT_EQ(person.boxes[1].text.substr(0, std::string("檔案輸出錯誤").size()), "檔案輸出錯誤");
    EXPECT_EQ(TempDir::read(dir / "usb" / "KAVRO2.MDB" / "keep"), "kept");
    // No half-written copy is left behind.
    EXPECT_EQ(filesIn(dir / "usb"), std::vector<std::string>{"KAVRO2.MDB"});
}

TEST_F(Backup, NoFolderChosenDoesNothing)
{
    open();
    EXPECT_EQ(BackupCatalogueTo(*catalogue, "").outcome, Outcome::NoFolder);
    EXPECT_TRUE(person.boxes.empty());
}

} // namespace
} // namespace kavro::test
