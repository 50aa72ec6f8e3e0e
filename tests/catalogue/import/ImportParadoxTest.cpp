#include "catalogue/import/ImportFixture.h"

#include "catalogue/database/CatalogueSchema.h"
#include "catalogue/records/Misc1Text.h"
#include "catalogue/import/ParadoxImport.h"
#include "catalogue/import/ParadoxTable.h"
#include "catalogue/database/Transaction.h"

#include <filesystem>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

class ParadoxImport : public ImportFixture {
protected:
    fs::path root() const { return dir / "old"; }
    fs::path table() const { return root() / "DB" / "CDLIST.DB"; }

    void writeDbid(const std::string& content) { dir.write("old/dbid.txt", content); }

    CatalogueRestoreResult run() { return ImportParadoxCatalogue(*catalogue, registry, table()); }

    std::vector<std::string> boxTexts() const
    {
        std::vector<std::string> shown;
        for (const auto& b : person.boxes)
            shown.push_back(b.text);
        return shown;
    }
};

TEST_F(ParadoxImport, ReplacesTheDiscsWithTheTableRowsAndTheirSideFiles)
{
    openWithCategories();
    addDisc(7, 1, "Old one");
    addDisc(7, 2, "Old two");
    writeDbid("1001\r\nnot a number\r\n0\r\n2002\r\n");
    writeParadoxTable(table(), {{"CD1", "Music one", "1", "5", "Music", "B-1"},
                                {"CD2", "Game two", "2", "9", "Games", "B-2"},
                                {"CD3", "Music three", "1", "6", "Music", ""}});
    // The older program ran where names ignore case; a copied folder keeps whatever case it had.
    dir.write("old/remark/cd1", "A remark\r\nwith two lines");
    dir.write("old/CdInfo/CD1.TV", "E:\r\n\tFolder\r\n\t\tfile.txt\r\n\treadme.txt\r\n");
    dir.write("old/Preview/CD2.bmp", std::string("BM\0\1\2\3", 6));

    const auto result = run();
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_TRUE(result.changed);
    EXPECT_TRUE(result.endProgram);
    EXPECT_EQ(result.discsAdded, 3);
    EXPECT_EQ(result.categoriesCreated, 2);

    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(),
              (std::vector<Row>{{1001, 5, "Music one"}, {2002, 9, "Game two"}, {1001, 6, "Music three"}}));
    EXPECT_EQ(column(1001, 5, "Misc1"), "Category=Music\r\nTitle=Music one\r\nBarcode=B-1\r\n");
    EXPECT_EQ(column(1001, 5, "Remark"), "A remark\r\nwith two lines");
    EXPECT_EQ(column(1001, 5, "TreeIndexS"), "6"); // root, two items, a file, two terminators
    EXPECT_NE(column(1001, 5, "TreeIndex"), "<null>");
    EXPECT_EQ(column(1001, 5, "Pic"), "<null>");
    EXPECT_EQ(column(2002, 9, "Pic"), std::string("BM\0\1\2\3", 6));
    EXPECT_EQ(column(2002, 9, "Remark"), "<null>");

    // Both discs of "Music" share one new category; the table and the mirror file know it.
    const int music = categoryIdNamed("Music");
    ASSERT_GT(music, 0);
    EXPECT_EQ(column(1001, 5, "Category"), std::to_string(music));
    EXPECT_EQ(column(1001, 6, "Category"), std::to_string(music));
    EXPECT_EQ(outside("SELECT COUNT(*) FROM CATEGORY")[0][0], "2");
    EXPECT_NE(TempDir::read(dir / "Data/category.txt").find("Games,"), std::string::npos);

    // The first machine of an empty registry is named IMPORT, later ones KAVRO.
    ASSERT_EQ(registry.entries.size(), 2u);
    EXPECT_EQ(registry.entries[0].name, "IMPORT1001");
    EXPECT_EQ(registry.entries[0].oldNumber, 1);
    EXPECT_EQ(registry.entries[1].name, "KAVRO2002");
    EXPECT_EQ(registry.saves, 1);

    // The catalogue as it was is kept in Backup/.
    ASSERT_FALSE(result.safetyCopy.empty());
    EXPECT_EQ(result.safetyCopy.parent_path(), dir / "Backup");
    EXPECT_TRUE(fs::exists(result.safetyCopy));
    EXPECT_TRUE(person.boxes.empty());
    EXPECT_EQ(person.busyDepth, 0);
    ASSERT_FALSE(person.progressSteps.empty());
    EXPECT_EQ(person.progressSteps.front().maximum, 3 + 10);
    EXPECT_EQ(person.progressSteps.front().text, "1");
}

TEST_F(ParadoxImport, RowWithAllThreeTextsEmptyGetsNoMisc1)
{
    openWithCategories();
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "", "1", "1", "", ""}, {"CD2", "", "1", "2", "", "X9"}});

    const auto result = run();
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(column(5, 1, "Misc1"), "<null>");
    EXPECT_EQ(column(5, 2, "Misc1"), "Category=\r\nTitle=\r\nBarcode=X9\r\n");
    // An empty category name makes no category.
    EXPECT_EQ(result.categoriesCreated, 0);
    EXPECT_EQ(column(5, 1, "Category"), "0");
}

TEST_F(ParadoxImport, MachineNumberOutOfRangeIsAskedOnceAndYesGoesOn)
{
    openWithCategories();
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "a", "0", "1", "T", ""},
                                {"CD2", "b", "2", "2", "T", ""},
                                {"CD3", "c", "1", "3", "T", ""},
                                {"CD4", "d", "x", "4", "T", ""}});
    person.boxAnswers = {BoxAnswer::Yes};

    const auto result = run();
    EXPECT_EQ(boxTexts(), std::vector<std::string>{"Wrong machine no, Continue ?"});
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_EQ(result.wrongMachineRows, 3);
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{5, 3, "c"}}));
}

TEST_F(ParadoxImport, MachineNumberOutOfRangeAnsweredNoEndsTheWalkKeepingEarlierRows)
{
    openWithCategories();
    addDisc(9, 9, "Before");
    writeDbid("5\n");
    writeParadoxTable(
        table(),
        {{"CD1", "a", "1", "1", "T", ""}, {"CD2", "b", "3", "2", "T", ""}, {"CD3", "c", "1", "3", "T", ""}});
    person.boxAnswers = {BoxAnswer::No};

    const auto result = run();
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_TRUE(result.changed);
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{5, 1, "a"}}));
}

TEST_F(ParadoxImport, WalkThatImportsNothingKeepsTheCatalogue)
{
    openWithCategories();
    addDisc(9, 9, "Kept");
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "a", "4", "1", "", ""}});
    person.boxAnswers = {BoxAnswer::No};

    const auto result = run();
    EXPECT_FALSE(result.changed);
    EXPECT_FALSE(result.endProgram);
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{9, 9, "Kept"}}));
    // The machines of dbid.txt are registered all the same.
    EXPECT_EQ(registry.entries.size(), 1u);
}

// Every row names a new category before its machine number is found wrong.
class ParadoxImportNewCategoryOnly : public ParadoxImport, public ::testing::WithParamInterface<BoxAnswer> {};

TEST_P(ParadoxImportNewCategoryOnly, IsNoChangeAndKeepsTheDiscs)
{
    openWithCategories();
    addDisc(9, 9, "Kept");
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "a", "4", "1", "Fresh", ""}, {"CD2", "b", "7", "2", "Fresh", ""}});
    person.boxAnswers = {GetParam()};

    const auto result = run();
    EXPECT_FALSE(result.changed);
    EXPECT_FALSE(result.endProgram);
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{9, 9, "Kept"}}));
    bool fresh = false;
    catalogue->categoryTree().forEach([&](TreeNode& n) { fresh = fresh || n.text == "Fresh"; });
    EXPECT_FALSE(fresh);
}

INSTANTIATE_TEST_SUITE_P(BothAnswers, ParadoxImportNewCategoryOnly, ::testing::Values(BoxAnswer::No, BoxAnswer::Yes));

TEST_F(ParadoxImport, RepeatedMachineAndSlotIsAskedOnceYesOverwrites)
{
    openWithCategories();
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "first", "1", "1", "T", "1"},
                                {"CD2", "second", "1", "1", "T", "2"},
                                {"CD3", "third", "1", "1", "T", "3"}});
    dir.write("old/Remark/CD3", "third remark");
    person.boxAnswers = {BoxAnswer::Yes};

    const auto result = run();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("已存在的資料是否蓋過?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::YesNo);
    // It names the disc held twice, and Enter keeps the first.
    EXPECT_NE(person.boxes[0].text.find("first\n機號 5，槽位 1"), std::string::npos) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].defaultAnswer, BoxAnswer::No);
    EXPECT_EQ(result.discsAdded, 1);
    EXPECT_EQ(result.discsOverwritten, 2);
    EXPECT_EQ(outside("SELECT COUNT(*) FROM KAVRO")[0][0], "1");
    // The title is written when the row is added; the overwriting rows replace the Misc1 lines,
    // which the reader prefers, and bring the remark.
    EXPECT_EQ(column(5, 1, "Misc1"), "Category=T\r\nTitle=third\r\nBarcode=3\r\n");
    EXPECT_EQ(column(5, 1, "Remark"), "third remark");
}

TEST_F(ParadoxImport, RepeatedMachineAndSlotAnsweredNoSkipsEveryRepeat)
{
    openWithCategories();
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "first", "1", "1", "T", "1"},
                                {"CD2", "second", "1", "1", "T", "2"},
                                {"CD3", "other", "1", "2", "T", ""},
                                {"CD4", "third", "1", "1", "T", "3"}});
    dir.write("old/Remark/CD4", "not taken");
    person.boxAnswers = {BoxAnswer::No};

    const auto result = run();
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(result.repeatsSkipped, 2);
    EXPECT_EQ(column(5, 1, "Misc1"), "Category=T\r\nTitle=first\r\nBarcode=1\r\n");
    EXPECT_EQ(column(5, 1, "Remark"), "<null>");
    EXPECT_EQ(column(5, 2, "TitleA").substr(0, 5), "other");
}

TEST_F(ParadoxImport, TextsInBig5AreDecoded)
{
    openWithCategories();
    writeDbid("5\n");
    // "中文" and "音樂" in Big5.
    writeParadoxTable(table(), {{"CD1", "\xA4\xA4\xA4\xE5", "1", "1", "\xAD\xB5\xBC\xD6", ""}});

    const auto result = run();
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_EQ(text::trimSpaces(column(5, 1, "TitleA")), "中文");
    EXPECT_GT(categoryIdNamed("音樂"), 0);
}

TEST_F(ParadoxImport, CdIdThatWouldLeaveItsFolderReadsNoSideFiles)
{
    openWithCategories();
    writeDbid("5\n");
    writeParadoxTable(table(), {{"../secret", "a", "1", "1", "T", ""}, {"CD\\2", "b", "1", "2", "T", ""}});
    dir.write("old/secret", "outside the Remark folder");
    dir.write("old/Remark/placeholder", "");

    const auto result = run();
    EXPECT_EQ(result.unsafeCdIds, (std::vector<std::string>{"../secret", "CD\\2"}));
    EXPECT_EQ(result.discsAdded, 2);
    EXPECT_EQ(column(5, 1, "Remark"), "<null>");
}

TEST_F(ParadoxImport, MissingDbidShowsItsPathAndChangesNothing)
{
    openWithCategories();
    addDisc(9, 9, "Kept");
    writeParadoxTable(table(), {{"CD1", "a", "1", "1", "T", ""}});
    const std::string before = contents();

    const auto result = run();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, (root() / "dbid.txt").string());
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::None);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(contents(), before);
    EXPECT_TRUE(backupFolderFiles().empty());
}

TEST_F(ParadoxImport, DamagedTableHalfWayLeavesTheCatalogueAsItWasWithACopyInBackup)
{
    openWithCategories();
    insertCategory(*catalogue, "Existing", 3);
    LoadCategories(*catalogue);
    addDisc(9, 9, "Kept", 3);
    dir.write("Data/category.txt", "Existing,3\r\n");
    writeDbid("5\n");
    std::vector<ParadoxDisc> rows;
    for (int i = 1; i <= 40; ++i)
        rows.push_back({"CD" + std::to_string(i), "Disc " + std::to_string(i), "1", std::to_string(i),
                        "New " + std::to_string(i), ""});
    writeParadoxTable(table(), rows);
    fs::resize_file(table(), fs::file_size(table()) / 2); // the second half of the rows is gone
    const std::string before = contents();
    const int categoriesBefore = categoryCount();

    const auto result = run();
    EXPECT_FALSE(result.changed);
    EXPECT_FALSE(result.endProgram);
    EXPECT_NE(result.error.find("cannot be read"), std::string::npos) << result.error;
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, result.error);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(categoryCount(), categoriesBefore);
    EXPECT_EQ(TempDir::read(dir / "Data/category.txt"), "Existing,3\r\n");
    EXPECT_TRUE(registry.entries.empty());
    // A dated copy of the catalogue as it was.
    const auto copies = backupFolderFiles();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].filename().string().substr(0, 7), "KAVRO2-");
    // The cursor sees the discs again.
    EXPECT_TRUE(LocateDisc(*catalogue, 9, 9));
}

TEST_F(ParadoxImport, FullCategoryListStopsTheImportWithoutChangingTheCatalogue)
{
    openWithCategories();
    {
        Transaction many(catalogue->database());
        for (int i = 1; i <= CategoryList::Capacity; ++i)
            insertCategory(*catalogue, "C" + std::to_string(i), i);
        ASSERT_TRUE(many.commit().ok());
    }
    LoadCategories(*catalogue);
    addDisc(9, 9, "Kept", 1);
    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "a", "1", "1", "C1", ""}, {"CD2", "b", "1", "2", "Brand new", ""}});
    const std::string before = contents();

    const auto result = run();
    EXPECT_FALSE(result.changed);
    EXPECT_NE(result.error.find("Brand new"), std::string::npos) << result.error;
    EXPECT_EQ(contents(), before);
}

TEST_F(ParadoxImport, AsksForTheTableFirstAndCancelChangesNothing)
{
    openWithCategories();
    addDisc(9, 9, "Kept");
    person.fileAnswers = {std::nullopt};
    const auto cancelled = RunParadoxImport(*catalogue, registry);
    ASSERT_EQ(person.fileChoices.size(), 1u);
    EXPECT_EQ(person.fileChoices[0].caption, "選取匯入資料庫(*.DB)");
    EXPECT_EQ(person.fileChoices[0].prompt, dir.path().string()); // the folder it opens on
    EXPECT_FALSE(cancelled.changed);
    EXPECT_TRUE(cancelled.error.empty());
    EXPECT_TRUE(backupFolderFiles().empty());

    writeDbid("5\n");
    writeParadoxTable(table(), {{"CD1", "a", "1", "1", "T", ""}});
    person.fileAnswers = {table().string()};
    const auto chosen = RunParadoxImport(*catalogue, registry);
    EXPECT_TRUE(chosen.changed) << chosen.error;
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{5, 1, "a"}}));
}

TEST(ParadoxImportParts, MachineListCountsPositiveNumbersInOrder)
{
    TempDir dir;
    const auto file = dir.write("dbid.txt", "12\r\n-4\r\n\r\nabc\r\n 34 ,name\n99999999999\n0\n56");
    EXPECT_EQ(ReadOldMachineList(file), (std::vector<int>{12, 34, 56}));
    EXPECT_FALSE(ReadOldMachineList(dir / "missing.txt").has_value());
}

TEST(ParadoxImportParts, SafeCdIds)
{
    EXPECT_TRUE(IsSafeCdId("CD0001"));
    EXPECT_TRUE(IsSafeCdId("a.b"));
    EXPECT_FALSE(IsSafeCdId(""));
    EXPECT_FALSE(IsSafeCdId(".."));
    EXPECT_FALSE(IsSafeCdId("a/b"));
    EXPECT_FALSE(IsSafeCdId("a\\b"));
}

TEST(ParadoxTableReading, NumbersAndCodePages)
{
    TempDir dir;
    const auto file = writeParadoxTable(dir / "T.DB", {{"X", "caf\xE9", "3", "4", "", ""}}, 1252);
    ParadoxTable table;
    ASSERT_TRUE(table.open(file).ok());
    EXPECT_EQ(table.rowCount(), 1);
    EXPECT_EQ(table.codePage(), 1252);
    EXPECT_TRUE(table.hasField("CD_ID"));
    auto row = table.row(0);
    ASSERT_TRUE(row.ok()) << row.error();
    EXPECT_EQ(row->text("cdinfoindex"), "1");
    EXPECT_EQ(row->number("slot_id"), 4.0);
    EXPECT_FALSE(row->number("cd_type").has_value());
    // "caf" then 0xE9 is no Big5 character: the table's own page gives "café".
    EXPECT_EQ(row->text("name"), "café");
    EXPECT_FALSE(table.row(1).ok());
}

TEST(ParadoxTableReading, NotATableIsAnError)
{
    TempDir dir;
    const auto file = dir.write("junk.db", std::string(3000, 'x'));
    ParadoxTable table;
    const DbStatus s = table.open(file);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.error().find("junk.db"), std::string::npos);
}

} // namespace
} // namespace kavro::test
