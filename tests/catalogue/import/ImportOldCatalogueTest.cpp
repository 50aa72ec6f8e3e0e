#include "catalogue/import/ImportFixture.h"

#include "catalogue/import/OldCatalogueImport.h"
#include "catalogue/import/OldCatalogueSource.h"

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

TEST(OldMisc1, ReadsCategoryTitleAndBarcode)
{
    const OldMisc1 m = ParseOldMisc1("Category= Music \r\nTitle=Best of\r\nBarcode=123\r\nOther=notes");
    EXPECT_TRUE(m.hasCategory);
    EXPECT_EQ(m.category, "Music");
    EXPECT_EQ(m.title, "Best of");
    EXPECT_EQ(m.barcode, "123");
}

TEST(OldMisc1, BarcodeWithoutOtherAfterItIsEmpty)
{
    const OldMisc1 m = ParseOldMisc1("Category=Music\r\nTitle=Best of\r\nBarcode=123\r\n");
    EXPECT_EQ(m.title, "Best of");
    EXPECT_EQ(m.barcode, "");
}

TEST(OldMisc1, TextWithoutCategoryLineGivesNothing)
{
    const OldMisc1 m = ParseOldMisc1("Other=x\r\nVolume=V\r\nTitle=t");
    EXPECT_FALSE(m.hasCategory);
    EXPECT_EQ(m.title, "");
    EXPECT_FALSE(ParseOldMisc1("").hasCategory);
    // Only a category line: nothing after it to read.
    const OldMisc1 only = ParseOldMisc1("Category=A");
    EXPECT_TRUE(only.hasCategory);
    EXPECT_EQ(only.category, "A");
    EXPECT_EQ(only.title, "");
}

class OldCatalogueImport : public ImportFixture {
protected:
    fs::path oldFolder() const { return dir / "old"; }

    // An older catalogue in oldFolder named KAVRO.MDB.
    void makeOld(const std::vector<Disc>& rows,
                 const std::vector<std::pair<std::string, int>>& categories = {},
                 const std::vector<std::pair<std::string, std::string>>& machines = {})
    {
        const auto file = makeCatalogueFile(dir / "maker", rows, categories, machines);
        fs::create_directories(oldFolder());
        fs::copy_file(file, oldFolder() / "KAVRO.MDB");
    }
};

TEST_F(OldCatalogueImport, ImportsDiscsWithCategoriesFromMisc1)
{
    openWithCategories();
    insertCategory(*catalogue, "Music", 4);
    LoadCategories(*catalogue);
    addDisc(9, 9, "Replaced");
    makeOld({{1, 1, "", "", 77, "Category=MUSIC\r\nTitle=Song\r\nBarcode=B1\r\nOther=n", "BMpic"},
             {1, 2, "", "", 77, "Category=Film\r\nTitle=Movie\r\nBarcode=B2\r\n"},
             {2, 3, "Column title", "", 5, "Other=plain"}},
            {{"Docs", 5}}, {{"2", "Second"}});

    const auto result = ImportOldCatalogue(*catalogue, &registry, oldFolder());
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_TRUE(result.endProgram);
    using Row = std::tuple<int, int, std::string>;
    EXPECT_EQ(discs(), (std::vector<Row>{{1, 1, "Song"}, {1, 2, "Movie"}, {2, 3, "Column title"}}));
    // "MUSIC" is the current "Music"; "Film" is made.
    EXPECT_EQ(column(1, 1, "Category"), "4");
    EXPECT_EQ(column(1, 1, "Barcode").substr(0, 2), "B1");
    EXPECT_EQ(column(1, 1, "Misc1"), "Category=MUSIC\r\nTitle=Song\r\nBarcode=B1\r\nOther=n");
    EXPECT_EQ(column(1, 1, "Pic"), "BMpic");
    const int film = categoryIdNamed("Film");
    EXPECT_GT(film, 4);
    EXPECT_EQ(column(1, 2, "Category"), std::to_string(film));
    // No "Other" after the barcode: the Barcode column stays empty.
    const std::string barcode = column(1, 2, "Barcode");
    EXPECT_TRUE(barcode == "<null>" || text::trimSpaces(barcode).empty()) << barcode;
    // Without "Category=", the old id is looked up in the old catalogue's own CATEGORY table.
    EXPECT_EQ(column(2, 3, "Category"), std::to_string(categoryIdNamed("Docs")));
    // Machines unknown to the registry come over with their names.
    EXPECT_EQ(outside("SELECT DEVICENO, DEVICENAME FROM CDDEVICE"),
              (std::vector<std::vector<std::string>>{{"2", "Second"}}));
}

TEST_F(OldCatalogueImport, MissingFileChangesNothing)
{
    openWithCategories();
    addDisc(9, 9, "Kept");
    const std::string before = contents();
    const auto result = ImportOldCatalogue(*catalogue, &registry, oldFolder());
    EXPECT_FALSE(result.changed);
    EXPECT_NE(result.error.find("KAVRO.MDB"), std::string::npos);
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(contents(), before);
}

TEST_F(OldCatalogueImport, FileThatIsNoCatalogueChangesNothing)
{
    openWithCategories();
    dir.write("old/KAVRO.MDB", "plain text, not a database");
    const auto result = ImportOldCatalogue(*catalogue, &registry, oldFolder());
    EXPECT_FALSE(result.changed);
    EXPECT_NE(result.error.find("not a catalogue"), std::string::npos) << result.error;
}

TEST(OldCatalogueFiles, KindComesFromTheHeaderNotTheName)
{
    TempDir dir;
    EXPECT_EQ(DetectCatalogueFileKind(dir / "none.mdb"), CatalogueFileKind::Missing);
    EXPECT_EQ(DetectCatalogueFileKind(dir.write("a.db", std::string("SQLite format 3\0rest", 21))),
              CatalogueFileKind::Sqlite);
    EXPECT_EQ(DetectCatalogueFileKind(dir.write("b.txt", std::string("\0\1\0\0Standard Jet DB\0\0", 21))),
              CatalogueFileKind::Jet);
    EXPECT_EQ(DetectCatalogueFileKind(dir.write("KAVRO.MDB", "Standard Jet DB")), CatalogueFileKind::Other);
    EXPECT_EQ(DetectCatalogueFileKind(dir.write("empty.mdb", "")), CatalogueFileKind::Other);
}

} // namespace
} // namespace kavro::test
