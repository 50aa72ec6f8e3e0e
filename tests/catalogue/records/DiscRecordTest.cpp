#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscTree.h"
#include "catalogue/records/Misc1Text.h"
#include "catalogue/database/Transaction.h"

namespace kavro::test {
namespace {

using DiscRecords = CatalogueFixture;

TEST(Misc1, ParadoxFormGivesTitleAndBarcodeAndNothingElse)
{
    const auto f = ParseMisc1("Category=Rock\r\nTitle=From Misc\r\nBarcode=4711\r\n");
    EXPECT_EQ(f.title, "From Misc");
    EXPECT_EQ(f.barcode, "4711");
    EXPECT_EQ(f.other, "");
    EXPECT_EQ(f.volume, "");
    EXPECT_EQ(f.serial, "");
    EXPECT_EQ(f.fileSystem, "");
}

TEST(Misc1, OtherRunKeepsPlainLinesAndLosesEmptyOnes)
{
    const auto f =
        ParseMisc1("Other=first\r\n\r\nplain line\r\nVolume=VOL1\r\nstray\r\nserial=123\nfilesystem=CDFS");
    EXPECT_EQ(f.other, "first\r\nplain line\r\n");
    EXPECT_EQ(f.volume, "VOL1");
    EXPECT_EQ(f.serial, "123");
    EXPECT_EQ(f.fileSystem, "CDFS"); // a lower-case key reads all the same
    EXPECT_FALSE(f.title.has_value());
    EXPECT_FALSE(f.barcode.has_value());
}

TEST(Misc1, BuildWritesTheFourKeysAndReadsBackTheSame)
{
    const std::string text = BuildMisc1("note one\r\nnote two\r\n", "DATA", "305419896", "UDF");
    EXPECT_EQ(text, "Other=note one\r\nnote two\r\n\r\nVolume=DATA\r\nSerial=305419896\r\nFileSystem=UDF");
    const auto f = ParseMisc1(text);
    EXPECT_EQ(f.other, "note one\r\nnote two\r\n");
    EXPECT_EQ(f.volume, "DATA");
    EXPECT_EQ(f.serial, "305419896");
    EXPECT_EQ(f.fileSystem, "UDF");
    EXPECT_EQ(BuildMisc1("", "", "", ""), "Other=\r\nVolume=\r\nSerial=\r\nFileSystem=");
    EXPECT_EQ(ParseMisc1("").other, "");
}

TEST_F(DiscRecords, MiscLinesWinOverTheColumnsAndUnknownCategoryIsOther)
{
    Catalogue& c = open();
    addDisc(1, 1, "Column title", 42);
    DiscCursor& cur = c.discCursor();
    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(cur.setField("Barcode", DbValue("column code")).ok());
    ASSERT_TRUE(
        cur.setField("Misc1", DbValue("Category=x\r\nTitle=Misc title\r\nBarcode=misc code\r\n")).ok());
    ASSERT_TRUE(cur.post().ok());
    ASSERT_TRUE(ReadDiscRecord(c));
    const DiscRecord& d = c.currentDisc();
    EXPECT_EQ(d.title, "Misc title");
    EXPECT_EQ(d.barcode, "misc code");
    EXPECT_EQ(d.categoryIndex, -1);
    EXPECT_EQ(d.categoryName, "Other");
    EXPECT_EQ(d.categoryId, 42);
}

TEST_F(DiscRecords, WriteThenReadKeepsEveryFieldAndBuildsTheSummary)
{
    Catalogue& c = open();
    c.setMachineNameLookup([](int m) { return "Cabinet " + std::to_string(m); });
    ASSERT_TRUE(LoadCategories(c).ok());
    auto made = NewCategory(c);
    ASSERT_TRUE(made.ok());
    TreeNode* cat = *made;
    ASSERT_TRUE(RenameCategory(c, *cat, "Games").ok());

    DiscRecord& d = c.currentDisc();
    d = DiscRecord{};
    d.machine = 123456;
    d.slot = 77;
    d.categoryId = cat->id;
    d.categoryName = "  Games ";
    d.title = "  Half-Life  ";
    d.barcode = "0123";
    d.remark = "remark\r\n";
    d.other = "Other notes\r\n";
    d.volume = "HL";
    d.serial = "2882400001";
    d.fileSystem = "CDFS";
    d.created = "2024-05-06 07:08:09";
    d.deviceType = "KZ350VN";
    d.picture = std::string("BM\x01\x02", 4);
    ASSERT_TRUE(c.discCursor().append().ok());
    ASSERT_TRUE(WriteDiscRecord(c).ok());
    ASSERT_TRUE(c.discCursor().post().ok());
    EXPECT_EQ(outside("SELECT TitleA, Remark, Misc1, CreateDate, Category, Pic FROM KAVRO")[0],
              (std::vector<std::string>{
                  "Half-Life", "remark",
                  "Other=Other notes\r\n\r\nVolume=HL\r\nSerial=2882400001\r\nFileSystem=CDFS",
                  "2024-05-06 07:08:09", std::to_string(cat->id), std::string("BM\x01\x02", 4)}));

    d = DiscRecord{};
    c.discCursor().first();
    ASSERT_TRUE(ReadDiscRecord(c));
    EXPECT_EQ(d.machine, 123456);
    EXPECT_EQ(d.slot, 77);
    EXPECT_EQ(d.title, "Half-Life");
    EXPECT_EQ(d.categoryName, "Games");
    EXPECT_EQ(d.categoryIndex, cat->entry);
    EXPECT_EQ(d.deviceType, "KZ350VN");
    EXPECT_EQ(d.created, "2024-05-06 07:08:09");
    EXPECT_TRUE(d.picture.empty()); // the stored picture is read where it is shown
    EXPECT_EQ(d.summary,
              "CD Title     : Half-Life\r\nLibrary      : Cabinet 123456\r\nCategory     : Games\r\n"
              "Location     : 77\r\nVolume Name  : HL\r\nSerial Number: 2882400001\r\n"
              "File System  : CDFS");
}

TEST_F(DiscRecords, FindFreeSlotTakesTheLowestGap)
{
    Catalogue& c = open();
    auto freeSlot = [&](int machine) {
        auto r = FindFreeSlot(c, machine);
        EXPECT_TRUE(r.ok()) << r.error();
        return r.valueOr(-99);
    };
    EXPECT_EQ(freeSlot(1), 1);
    addDisc(1, 4);
    addDisc(1, 1);
    addDisc(1, 2);
    EXPECT_EQ(freeSlot(1), 3);
    addDisc(2, 1);
    addDisc(2, 1);
    addDisc(2, 2);
    EXPECT_EQ(freeSlot(2), 3);
    {
        Transaction quick(c.database()); // one sync instead of 150
        for (int s = 150; s >= 1; --s)
            addDisc(3, s);
        ASSERT_TRUE(quick.commit().ok());
    }
    EXPECT_EQ(freeSlot(3), 151);
    // A row with slot 0 must not make slot 1 look free when it is taken.
    addDisc(4, 0);
    addDisc(4, 1);
    EXPECT_EQ(freeSlot(4), 2);
    EXPECT_FALSE(c.listingQuery().isOpen());
}

TEST_F(DiscRecords, IsSlotUsedAnswersTheSlotOrMinusOne)
{
    Catalogue& c = open();
    addDisc(9, 12);
    EXPECT_EQ(IsSlotUsed(c, 9, 12).valueOr(0), 12);
    EXPECT_EQ(IsSlotUsed(c, 9, 13).valueOr(0), -1);
    EXPECT_EQ(IsSlotUsed(c, 12, 9).valueOr(0), -1);
}

TEST_F(DiscRecords, RenameRewritesMiscWithoutTitleAndKeepsVolumeData)
{
    Catalogue& c = open();
    addDisc(1, 1, "Old");
    addDisc(1, 2, "Neighbour");
    DiscCursor& cur = c.discCursor();
    ASSERT_TRUE(LocateDisc(c, 1, 1));
    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(
        cur.setField("Misc1",
                     DbValue("Title=Imported\r\nOther=keep\r\nVolume=V1\r\nSerial=99\r\nFileSystem=UDF"))
            .ok());
    ASSERT_TRUE(cur.post().ok());
    ASSERT_TRUE(ReadDiscRecord(c));
    // The cursor moves on after the read; the rename must still hit the right row.
    cur.last();

    auto renamed = ChangeDiscTitle(c, 1, 1, "  New name ");
    ASSERT_TRUE(renamed.ok()) << renamed.error();
    EXPECT_TRUE(*renamed);
    const auto rows = outside("SELECT TitleA, Misc1 FROM KAVRO ORDER BY Slot");
    EXPECT_EQ(rows[0][0], "New name");
    EXPECT_EQ(rows[0][1], "Other=keep\r\n\r\nVolume=V1\r\nSerial=99\r\nFileSystem=UDF");
    EXPECT_EQ(rows[1][0], "Neighbour");
    ASSERT_TRUE(LocateDisc(c, 1, 1));
    ASSERT_TRUE(ReadDiscRecord(c));
    EXPECT_EQ(c.currentDisc().title, "New name");
    EXPECT_EQ(c.currentDisc().volume, "V1");

    EXPECT_FALSE(*ChangeDiscTitle(c, 1, 3, "nobody"));
}

TEST_F(DiscRecords, DeleteAsksUnlessSilentAndTellsTheViews)
{
    Catalogue& c = open();
    std::vector<std::pair<int, int>> removed;
    c.setDiscRemovedHandler([&](int m, int s) { removed.emplace_back(m, s); });
    addDisc(1, 1);
    addDisc(1, 2);
    addDisc(1, 3);

    EXPECT_FALSE(*DeleteDisc(c, 1, 9, false)); // no such row: no box either
    EXPECT_TRUE(person.boxes.empty());

    person.boxAnswers.push_back(BoxAnswer::Cancel);
    EXPECT_FALSE(*DeleteDisc(c, 1, 1, false));
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("確定刪除此筆資料嗎？", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(IsSlotUsed(c, 1, 1).valueOr(0), 1);

    EXPECT_TRUE(*DeleteDisc(c, 1, 1, false));
    EXPECT_EQ(person.boxes.size(), 2u);
    EXPECT_TRUE(*DeleteDisc(c, 1, 2, true));
    EXPECT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}}));
    EXPECT_EQ(outside("SELECT Slot FROM KAVRO"), (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(DiscRecords, SetDiscCategoryChangesOnlyTheId)
{
    Catalogue& c = open();
    addDisc(1, 1, "t", 5);
    EXPECT_FALSE(*SetDiscCategory(c, 1, 1, 5));
    EXPECT_TRUE(*SetDiscCategory(c, 1, 1, 6));
    EXPECT_FALSE(*SetDiscCategory(c, 1, 2, 6));
    EXPECT_EQ(outside("SELECT Category, TRIM(Categoryname) FROM KAVRO")[0],
              (std::vector<std::string>{"6", "Cat"}));
}

FileTree sampleTree()
{
    FileTree t;
    TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = t.appendName("E:");
    t.entries.push_back(root);
    TreeIndexEntry file;
    file.parent = 0;
    file.nameOffset = t.appendName("README");
    file.size = -5;
    file.dosDateTime = 0x58A3'6C21;
    file.findData.lastWriteTime = 0x01D9'0000'1234'5678ULL;
    std::snprintf(file.findData.fileName, sizeof file.findData.fileName, "README");
    t.entries.push_back(file);
    t.entries.push_back(TreeIndexEntry::terminator(0));
    return t;
}

TEST_F(DiscRecords, TreeBlobsAreStoredAndReadBackByteForByte)
{
    Catalogue& c = open();
    c.fileTree() = sampleTree();
    const std::string index = c.fileTree().indexBlock();
    const std::string pool = c.fileTree().pool;
    addDisc(4, 8, "With tree");
    c.fileTree().clear();
    addDisc(4, 9, "Without tree");

    const auto rows = outside("SELECT TreeIndexS, TreeDataS, TreeIndex, TreeData FROM KAVRO ORDER BY Slot");
    EXPECT_EQ(rows[0], (std::vector<std::string>{"3", std::to_string(pool.size()), index, pool}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "0", "<null>", "<null>"}));

    ASSERT_TRUE(LoadDiscTree(c, 4, 8));
    EXPECT_EQ(c.fileTree().indexBlock(), index);
    EXPECT_EQ(c.fileTree().pool, pool);
    EXPECT_EQ(c.fileTree().machine, 4);
    EXPECT_EQ(c.fileTree().slot, 8);
    EXPECT_EQ(c.currentDisc().title, "With tree");
    EXPECT_EQ(c.currentDisc().storedEntryCount, 3);
    EXPECT_EQ(person.busyDepth, 0);

    ASSERT_TRUE(LoadDiscTree(c, 4, 9));
    EXPECT_FALSE(c.fileTree().hasTree());
    EXPECT_FALSE(LoadDiscTree(c, 4, 10));
    EXPECT_EQ(c.fileTree().slot, 9); // unchanged

    // Counts that claim more than the blocks hold read as no tree.
    ASSERT_TRUE(c.database().exec("UPDATE KAVRO SET TreeIndexS = 50 WHERE Slot = 8").ok());
    ASSERT_TRUE(LoadDiscTree(c, 4, 8));
    EXPECT_FALSE(c.fileTree().hasTree());
}

} // namespace
} // namespace kavro::test
