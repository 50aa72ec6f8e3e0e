#include "views/mainwindow/BackupFixture.h"

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Outcome = CatalogueBackupResult::Outcome;

// The disc rows of a catalogue file other than the open one: (machine, slot, title).
std::vector<std::tuple<int, int, std::string>> discsOf(const fs::path& file)
{
    sqlite3* db = nullptr;
    std::vector<std::tuple<int, int, std::string>> out;
    EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT MachineNo, Slot, TitleA FROM KAVRO ORDER BY rowid", -1, &stmt,
                                 nullptr),
              SQLITE_OK);
    while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
        out.emplace_back(sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1),
                         text::trimSpaces(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 2))));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
}

class BackupAction : public BackupFixture {};

TEST_F(BackupAction, IntoTheProgramFolderDoesNothing)
{
    addDisc(1, 1, "Kept");
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");
    const auto files = filesIn(dir.path());

    answerPicker(dir.path());
    actions->backup();
    ASSERT_TRUE(actions->lastBackup());
    EXPECT_EQ(actions->lastBackup()->outcome, Outcome::SameFile);
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
    EXPECT_EQ(filesIn(dir.path()), files);
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_EQ(endings, 0);
}

TEST_F(BackupAction, OverABackupAsksFirstAndCancelLeavesItUntouched)
{
    addDisc(3, 7, "Now");
    const fs::path target = dir.write("usb/KAVRO2.MDB", "the older backup");

    answerPicker(dir / "usb");
    person.boxAnswers = {BoxAnswer::Cancel};
    actions->backup();
    EXPECT_EQ(actions->lastBackup()->outcome, Outcome::Refused);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("蓋過舊資料嗎?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(TempDir::read(target), "the older backup");
    EXPECT_EQ(filesIn(dir / "usb"), std::set<std::string>{"KAVRO2.MDB"});

    // Asked again and confirmed: the catalogue as it is now takes the old backup's place.
    answerPicker(dir / "usb");
    person.boxAnswers = {BoxAnswer::Ok};
    actions->backup();
    EXPECT_EQ(actions->lastBackup()->outcome, Outcome::Written);
    EXPECT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(discsOf(target), (std::vector<std::tuple<int, int, std::string>>{{3, 7, "Now"}}));
    EXPECT_EQ(filesIn(dir / "usb"), std::set<std::string>{"KAVRO2.MDB"});
    EXPECT_EQ(endings, 0) << "a backup changes nothing in the running program";
}

TEST_F(BackupAction, InAFreshFolderAsksNothingAndCancelledWritesNothing)
{
    addDisc(2, 9, "Fresh");
    fs::create_directories(dir / "empty");
    cancelPicker();
    actions->backup();
    EXPECT_EQ(actions->lastBackup()->outcome, Outcome::NoFolder);
    EXPECT_TRUE(filesIn(dir / "Backup").empty());

    // The default folder is the program folder's Backup folder: OK alone backs up there.
    actions->picker().setOnShow([](TPathDialog& d) { d.okButton()->click(); });
    actions->backup();
    EXPECT_EQ(actions->lastBackup()->outcome, Outcome::Written);
    EXPECT_EQ(discsOf(dir / "Backup/KAVRO2.MDB"),
              (std::vector<std::tuple<int, int, std::string>>{{2, 9, "Fresh"}}));
    EXPECT_TRUE(person.boxes.empty());
}

} // namespace
} // namespace kavro::test
