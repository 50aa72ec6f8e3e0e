#include "catalogue/import/ImportFixture.h"
#include "catalogue/import/JetFixtures.h"

#include "catalogue/import/CatalogueRestore.h"
#include "catalogue/records/CatalogueBackup.h"
#include "catalogue/records/Categories.h"
#include "catalogue/import/CatalogueRestoreSession.h"
#include "catalogue/import/OldCatalogueConversion.h"
#include "catalogue/import/OldCatalogueSource.h"

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Row = std::tuple<int, int, std::string>;

class Restore : public ImportFixture {
protected:
    fs::path backupFolder() const { return dir / "saved"; }

    fs::path makeBackup(const std::vector<Disc>& rows,
                        const std::vector<std::pair<std::string, int>>& categories = {},
                        const std::vector<std::pair<std::string, std::string>>& machines = {})
    {
        return makeCatalogueFile(backupFolder(), rows, categories, machines);
    }
};

TEST_F(Restore, LeavesExactlyTheBackupsDiscs)
{
    openWithCategories();
    addDisc(1, 1, "Current one");
    addDisc(1, 2, "Current two");
    addDisc(3, 7, "Current three");
    makeBackup(
        {{1, 2, "Saved two", "Music", 1, "Other=o\r\nVolume=V", "BMsaved"}, {2, 5, "Saved five", "Music", 1}},
        {{"Music", 1}});

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_TRUE(result.changed);
    EXPECT_TRUE(result.endProgram);
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 2, "Saved two"}, {2, 5, "Saved five"}}));
    EXPECT_EQ(column(1, 2, "Misc1"), "Other=o\r\nVolume=V");
    EXPECT_EQ(column(1, 2, "Pic"), "BMsaved");
    EXPECT_NE(column(1, 2, "CreateDate"), "<null>");
    EXPECT_TRUE(fs::exists(result.safetyCopy));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(Restore, BackupCategoryInOtherLetterCaseIsFiledUnderTheCurrentOne)
{
    openWithCategories();
    insertCategory(*catalogue, "Music", 12);
    LoadCategories(*catalogue);
    makeBackup({{1, 1, "Song", "MUSIC", 3}, {1, 2, "Clip", "music", 3}}, {{"MUSIC", 3}});

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.categoriesCreated, 0);
    EXPECT_EQ(column(1, 1, "Category"), "12");
    EXPECT_EQ(column(1, 2, "Category"), "12");
    EXPECT_EQ(outside("SELECT COUNT(*) FROM CATEGORY")[0][0], "1");
}

TEST_F(Restore, DiscMovedToAnotherCategoryKeepsItsCategory)
{
    // Moving a disc changes only its id; the backup's own category table names where it is.
    openWithCategories();
    makeBackup({{1, 1, "Moved", "Old place", 8}}, {{"Old place", 7}, {"New place", 8}});

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(column(1, 1, "Category"), std::to_string(categoryIdNamed("New place")));
    EXPECT_EQ(categoryIdNamed("Old place"), -1);
}

TEST_F(Restore, RepeatedMachineAndSlotIsAskedOnceYesTakesTheLaterValues)
{
    openWithCategories();
    makeBackup({{1, 1, "Earlier", "A", 0, "", "BMone"}, {1, 1, "Later", "B", 0}, {1, 1, "Latest", "B", 0}});
    person.boxAnswers = {BoxAnswer::Yes};

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(result.discsOverwritten, 2);
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 1, "Latest"}}));
    EXPECT_EQ(column(1, 1, "Category"), std::to_string(categoryIdNamed("B")));
    // A later row without a picture leaves the earlier picture.
    EXPECT_EQ(column(1, 1, "Pic"), "BMone");
}

TEST_F(Restore, RepeatedMachineAndSlotAnsweredNoKeepsTheFirst)
{
    openWithCategories();
    makeBackup({{1, 1, "Earlier", "A", 0}, {1, 1, "Later", "B", 0}, {1, 2, "Other", "A", 0}});
    person.boxAnswers = {BoxAnswer::No};

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(result.repeatsSkipped, 1);
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 1, "Earlier"}, {1, 2, "Other"}}));
}

TEST_F(Restore, MachinesTheRegistryDoesNotKnowComeOverOnce)
{
    openWithCategories();
    insertMachine(*catalogue, "30", "Already here");
    registry.entries.push_back({10, "Known", 0});
    makeBackup({{10, 1, "a"}, {20, 1, "b"}, {20, 2, "c"}, {30, 1, "d"}, {40, 1, "e"}}, {},
               {{"10", "Ten"}, {"20", "Twenty"}, {"20", "Twenty again"}, {"30", "Thirty"}});

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.machinesAdded, 1);
    EXPECT_EQ(outside("SELECT DEVICENO, DEVICENAME FROM CDDEVICE ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"30", "Already here"}, {"20", "Twenty"}}));
}

TEST_F(Restore, RowsOutOfRangeAreLeftOutAndNoted)
{
    openWithCategories();
    makeBackup({{1, 0, "slot zero"}, {1, 151, "too far"}, {-3, 4, "no machine"}, {1, 150, "last slot"}});

    const auto result = RestoreFromBackup(*catalogue, &registry, backupFolder());
    EXPECT_EQ(result.badRows, 3);
    EXPECT_EQ(result.notes.size(), 3u);
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 150, "last slot"}}));
}

TEST_F(Restore, FailureHalfWayLeavesTheCatalogueAsItWasWithACopyInBackup)
{
    openWithCategories();
    insertCategory(*catalogue, "Music", 2);
    LoadCategories(*catalogue);
    addDisc(1, 1, "Current", 2);
    // The source's third row cannot be read: it fails the way a damaged file does.
    class FailingSource final : public OldCatalogueSource {
    public:
        explicit FailingSource(fs::path file) : m_file(std::move(file)) {}
        const fs::path& file() const override { return m_file; }
        int discCount() const override { return 5; }
        DbResult<bool> nextDisc(OldDiscRow& row) override
        {
            if (++m_read == 3)
                return DbResult<bool>::failure("row 3 is damaged");
            row = OldDiscRow{};
            row.machine = 4;
            row.slot = m_read;
            row.title = "Incoming";
            row.categoryName = "Brand new " + std::to_string(m_read);
            return true;
        }
        DbResult<std::vector<OldMachineRow>> machines() override { return std::vector<OldMachineRow>{}; }
        DbResult<std::vector<OldCategoryRow>> categories() override { return std::vector<OldCategoryRow>{}; }

    private:
        fs::path m_file;
        int m_read = 0;
    };
    FailingSource source(dir / "elsewhere.mdb");
    const std::string before = contents();
    const int categoriesBefore = categoryCount();
    const bool mirrorExisted = fs::exists(dir / "Data/category.txt");

    const auto result = RestoreFromBackup(*catalogue, &registry, source);
    EXPECT_FALSE(result.changed);
    EXPECT_NE(result.error.find("row 3 is damaged"), std::string::npos);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_NE(person.boxes[0].text.find("has not been changed"), std::string::npos);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(categoryCount(), categoriesBefore);
    EXPECT_EQ(fs::exists(dir / "Data/category.txt"), mirrorExisted);
    ASSERT_EQ(backupFolderFiles().size(), 1u);
    EXPECT_EQ(backupFolderFiles()[0], result.safetyCopy);
    EXPECT_EQ(person.busyDepth, 0);
    // The catalogue goes on working.
    EXPECT_TRUE(LocateDisc(*catalogue, 1, 1));
    ASSERT_TRUE(ReadDiscRecord(*catalogue));
    EXPECT_EQ(catalogue->currentDisc().title, "Current");
}

TEST_F(Restore, FromTheCatalogueItselfIsRefused)
{
    openWithCategories();
    addDisc(1, 1, "Mine");
    const std::string before = contents();
    const auto result = RestoreFromBackup(*catalogue, &registry, dir.path());
    EXPECT_FALSE(result.changed);
    EXPECT_NE(result.error.find("catalogue itself"), std::string::npos) << result.error;
    EXPECT_EQ(contents(), before);
}

TEST_F(Restore, WindowChoiceGoesByTheChosenFilesName)
{
    openWithCategories();
    addDisc(1, 1, "Current");
    makeBackup({{5, 5, "Saved"}});
    fs::copy_file(backupFolder() / "KAVRO2.MDB", backupFolder() / "KAVRO.MDB");
    dir.write("saved/notes.MDB", "");

    // No folder: nothing happens and the program goes on.
    auto r = RunRestore(*catalogue, &registry, "", (backupFolder() / "KAVRO2.MDB").string());
    EXPECT_FALSE(r.endProgram);
    // Another file: nothing is imported, the person is told why, and the program goes on.
    r = RunRestore(*catalogue, &registry, backupFolder().string(), (backupFolder() / "notes.MDB").string());
    EXPECT_FALSE(r.endProgram);
    EXPECT_FALSE(r.changed);
    EXPECT_NE(r.error.find("notes.MDB"), std::string::npos);
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 1, "Current"}}));
    // A file named like a backup restores the folder's KAVRO2.MDB.
    r = RunRestore(*catalogue, &registry, backupFolder().string(), (backupFolder() / "kavro2.mdb").string());
    EXPECT_FALSE(r.changed); // no such file on a file system that tells case apart
    r = RunRestore(*catalogue, &registry, backupFolder().string(), (backupFolder() / "KAVRO2.MDB").string());
    EXPECT_TRUE(r.changed) << r.error;
    EXPECT_EQ(discs(), (std::vector<Row>{{5, 5, "Saved"}}));
    // One named like the older catalogue runs the old-catalogue import.
    r = RunRestore(*catalogue, &registry, backupFolder().string(), (backupFolder() / "KAVRO.MDB").string());
    EXPECT_TRUE(r.changed) << r.error;
}

TEST_F(Restore, SafetyCopyIsRestoredFromItselfAfterShowingItsTimeAndDiscs)
{
    openWithCategories();
    addDisc(1, 1, "Before");
    addDisc(1, 2, "Before two");
    auto copy = BackupBeforeChange(*catalogue);
    ASSERT_TRUE(copy.ok()) << copy.error();
    const auto name = ParseSafetyCopyName(copy->filename().string());
    ASSERT_TRUE(name);
    catalogue->database().exec("DELETE FROM KAVRO");
    addDisc(4, 4, "After");

    for (const BoxAnswer answer : {BoxAnswer::Cancel, BoxAnswer::Ok}) {
        person.boxes.clear();
        person.boxAnswers = {answer};
        const auto r = RunRestore(*catalogue, &registry, copy->parent_path().string(), copy->string());
        ASSERT_EQ(person.boxes.size(), 1u);
        EXPECT_NE(person.boxes[0].text.find(name->shownTime() + " 的安全備份 中的 2 片光碟取代目錄現有的 1 片"),
                  std::string::npos)
            << person.boxes[0].text;
        EXPECT_EQ(r.changed, answer == BoxAnswer::Ok) << r.error;
        EXPECT_EQ(r.endProgram, r.changed);
        EXPECT_EQ(discs(), answer == BoxAnswer::Ok ? (std::vector<Row>{{1, 1, "Before"}, {1, 2, "Before two"}})
                                                    : (std::vector<Row>{{4, 4, "After"}}));
    }
}

TEST_F(Restore, CategoryTreeOfTheBackupComesBackAsBuilt)
{
    // Films holds no disc itself, only its sub-categories do; Music was at the top.
    dir.write("Data/category.txt", "Films,1\r\n\tDrama,2\r\n\tComedy,3\r\nMusic,4\r\n");
    openWithCategories();
    addDisc(1, 1, "In drama", 2);
    addDisc(1, 2, "In music", 4);
    auto copy = BackupBeforeChange(*catalogue);
    ASSERT_TRUE(copy.ok()) << copy.error();

    // Afterwards the tree is rebuilt differently: Films gone, Music under Drama.
    catalogue->categoryTree().moveTo(*category("Drama"), *catalogue->categoryTree().categoryRoot());
    catalogue->categoryTree().moveTo(*category("Comedy"), *catalogue->categoryTree().categoryRoot());
    catalogue->categoryTree().moveTo(*category("Music"), *category("Drama"));
    catalogue->categoryTree().remove(*category("Films"));
    ASSERT_TRUE(SaveCategories(*catalogue).ok());
    ASSERT_EQ(shape(), "Drama(Music),Comedy");

    auto source = OpenOldCatalogue(*copy);
    ASSERT_TRUE(source.ok()) << source.error();
    const auto result = RestoreFromBackup(*catalogue, &registry, **source);
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(result.categoriesCreated, 1);
    source->reset();
    reopen();
    ASSERT_TRUE(LoadCategories(*catalogue).ok());
    EXPECT_EQ(shape(), "Films(Drama,Comedy),Music");
    EXPECT_EQ(column(1, 1, "Category"), std::to_string(category("Drama")->id));
}

TEST_F(Restore, RolledBackNestingPutsTheTreeBack)
{
    dir.write("Data/category.txt", "Music,1\r\n\tLive,2\r\n");
    openWithCategories();
    CatalogueRestoreSession session(*catalogue);
    ASSERT_TRUE(session.begin().ok());
    // An existing category moved under one made by the session, then a parent moved to the top.
    ASSERT_TRUE(session.nest("Music", "Archive").ok());
    ASSERT_TRUE(session.nest("Live", "").ok());
    ASSERT_TRUE(session.nest("Archive", "Music").ok()); // inside itself: passed over
    EXPECT_EQ(shape(), "Archive(Music),Live");
    session.rollback();
    EXPECT_EQ(shape(), "Music(Live)");
}

TEST(SafetyCopies, NamesAndPruningKeepTheNewestOnly)
{
    TempDir dir;
    for (const char* file : {"KAVRO2-20240102-090000.MDB", "KAVRO2-20240102-090000-2.MDB", "kavro2-20240103-000000.mdb",
                             "KAVRO2-20231231-235959.MDB", "KAVRO2.MDB", "KAVRO2-notes.MDB", "KAVRO2-20240101-1200.MDB"})
        dir.write(std::string("Backup/") + file, "x");
    EXPECT_EQ(ParseSafetyCopyName("KAVRO2-20240102-090000-2.MDB")->number, 2);
    EXPECT_EQ(ParseSafetyCopyName("KAVRO2-20240102-090000.MDB")->shownTime(), "2024-01-02 09:00:00");
    EXPECT_FALSE(ParseSafetyCopyName("KAVRO2-20240102-090000.MDB.part"));

    EXPECT_EQ(PruneSafetyCopies(dir / "Backup", 2), 2);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "Backup"))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"KAVRO2-20240101-1200.MDB", "KAVRO2-20240102-090000-2.MDB",
                                              "KAVRO2-notes.MDB", "KAVRO2.MDB", "kavro2-20240103-000000.mdb"}));
}

TEST_F(Restore, CopyOfAnOlderCatalogueKeepsEveryColumn)
{
    const auto file = makeCatalogueFile(dir / "src", {{3, 4, "Title", "Cat", 6, "Other=x", "BMp"}},
                                        {{"Cat", 6}}, {{"3", "Three"}});
    auto source = OpenOldCatalogue(file);
    ASSERT_TRUE(source.ok()) << source.error();
    open();
    auto copied = CopyOldCatalogue(**source, *catalogue);
    ASSERT_TRUE(copied.ok()) << copied.error();
    EXPECT_EQ(copied->discs, 1);
    EXPECT_EQ(copied->machines, 1);
    EXPECT_EQ(copied->categories, 1);
    EXPECT_EQ(column(3, 4, "Category"), "6");
    EXPECT_EQ(column(3, 4, "Misc1"), "Other=x");
    EXPECT_EQ(column(3, 4, "Pic"), "BMp");
    EXPECT_EQ(outside("SELECT CATEGORYNAME, CATEGORYID FROM CATEGORY"),
              (std::vector<std::vector<std::string>>{{"Cat", "6"}}));
}

TEST_F(Restore, JetConversionRefusesAFileThatIsNoJetCatalogue)
{
    // No Jet catalogue of the older program is at hand: a Jet file without the disc table must
    // be left in its place, unchanged, with no new catalogue beside it.
    const fs::path sample = jetFixture("compIndexTestV2000.mdb");
    if (sample.empty())
        GTEST_SKIP() << "The Jet samples of ../shared/fixtures/jet are not there.";
    const fs::path file = dir / "KAVRO2.MDB";
    fs::copy_file(sample, file);
    const std::string original = TempDir::read(file);
    EXPECT_TRUE(IsJetCatalogue(dir.path()));

    auto converted = ConvertJetCatalogue(dir.path(), person, texts, clock);
    EXPECT_FALSE(converted.ok());
    EXPECT_NE(converted.error().find("KAVRO"), std::string::npos) << converted.error();
    EXPECT_EQ(TempDir::read(file), original);
    EXPECT_FALSE(fs::exists(dir / "KAVRO2.MDB.jet"));

    makeCatalogueFile(dir / "sqlite", {});
    EXPECT_FALSE(IsJetCatalogue(dir / "sqlite"));
    EXPECT_FALSE(ConvertJetCatalogue(dir / "sqlite", person, texts, clock).ok());
}

} // namespace
} // namespace kavro::test
