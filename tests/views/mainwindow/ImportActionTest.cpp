#include "views/mainwindow/BackupFixture.h"

namespace kavro::test {
namespace {

namespace fs = std::filesystem;
using Discs = std::vector<std::tuple<int, int, std::string>>;

class ImportAction : public BackupFixture {
protected:
    // A backup of another catalogue in folder.
    void makeBackup(const fs::path& folder)
    {
        makeCatalogueFile(folder, {Disc(7, 5, "Backed up", "Rock"), Disc(7, 6, "Also", "jazz")},
                          {{"Rock", 3}, {"jazz", 4}}, {{"7", "Shelf"}});
    }
};

TEST_F(ImportAction, RestoreLeavesExactlyTheBackupsDiscsAndEndsTheProgram)
{
    addDisc(1, 1, "Gone");
    addDisc(1, 2, "Gone too");
    makeBackup(dir / "usb");

    answerPicker(dir / "usb", "KAVRO2.MDB");
    actions->restore();
    EXPECT_EQ(discs(), (Discs{{7, 5, "Backed up"}, {7, 6, "Also"}}));
    EXPECT_EQ(endings, 1);
    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(actions->lastImport());
    EXPECT_TRUE(actions->lastImport()->changed);
    // The catalogue as it was is kept in Backup/ before the change.
    EXPECT_TRUE(fs::exists(actions->lastImport()->safetyCopy));
    // Asked first (the unscripted person says OK), told what changed, and the program starts again.
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_NE(person.boxes[1].text.find("2 discs"), std::string::npos) << person.boxes[1].text;
    EXPECT_NE(person.boxes[1].text.find("starts again"), std::string::npos);
    EXPECT_TRUE(context.restartRequested);
}

TEST_F(ImportAction, RestoreAbandonedKeepsTheDiscsAndTheProgramRuns)
{
    addDisc(1, 1, "Stays");
    makeBackup(dir / "usb");

    cancelPicker();
    actions->restore();
    actions->picker().setOnShow([](TPathDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    actions->restore();
    EXPECT_EQ(discs(), (Discs{{1, 1, "Stays"}}));
    EXPECT_EQ(endings, 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ImportAction, RestoreOfAFileNamedLikeNoCatalogueSaysSoAndTheProgramRuns)
{
    addDisc(1, 1, "Stays");
    makeBackup(dir / "usb");
    fs::copy_file(dir / "usb/KAVRO2.MDB", dir / "usb/OTHER.MDB");

    answerPicker(dir / "usb", "OTHER.MDB");
    actions->restore();
    EXPECT_EQ(discs(), (Discs{{1, 1, "Stays"}}));
    EXPECT_EQ(endings, 0);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_NE(person.boxes[0].text.find("OTHER.MDB"), std::string::npos);
    EXPECT_FALSE(context.restartRequested);
}

TEST_F(ImportAction, KavroMdbGoesToTheOldCatalogueImport)
{
    addDisc(1, 1, "Gone");
    // The older catalogue kept category, title and barcode in Misc1.
    makeCatalogueFile(dir / "old",
                      {Disc(9, 12, "", "", 0, "Category=Rock\r\nTitle=Old title\r\nBarcode=123\r\nOther=x")});
    fs::rename(dir / "old/KAVRO2.MDB", dir / "old/KAVRO.MDB");

    answerPicker(dir / "old", "KAVRO.MDB");
    actions->restore();
    EXPECT_EQ(discs(), (Discs{{9, 12, "Old title"}}));
    EXPECT_EQ(column(9, 12, "Barcode").substr(0, 3), "123");
    EXPECT_EQ(endings, 1);
}

TEST_F(ImportAction, ParadoxImportThroughTheMenuAsksForTheTableThenEnds)
{
    addDisc(1, 1, "Gone");
    const fs::path table =
        writeParadoxTable(dir / "px/DB/CD.DB", {{"a1", "Paradox disc", "1", "4", "Pop", "777"}});
    dir.write("px/dbid.txt", "4242\r\n");

    person.fileAnswers = {std::nullopt};
    actions->importParadox();
    EXPECT_EQ(discs(), (Discs{{1, 1, "Gone"}})) << "cancelled: nothing happens";
    EXPECT_EQ(endings, 0);
    ASSERT_EQ(person.fileChoices.size(), 1u);
    EXPECT_EQ(person.fileChoices[0].caption, "選取匯入資料庫(*.DB)");
    EXPECT_EQ(fs::path(person.fileChoices[0].prompt), dir.path());

    person.fileAnswers = {table.string()};
    actions->importParadox();
    EXPECT_EQ(discs(), (Discs{{4242, 4, "Paradox disc"}}));
    ASSERT_EQ(registry.entries.size(), 1u);
    EXPECT_EQ(registry.entries[0].name, "IMPORT4242");
    EXPECT_EQ(endings, 1);
}

} // namespace
} // namespace kavro::test
