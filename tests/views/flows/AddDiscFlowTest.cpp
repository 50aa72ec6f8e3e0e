#include "views/flows/AddDiscFixture.h"

#include "catalogue/records/DiscTree.h"
#include "cddb/CddbTestServer.h"

#include <QBuffer>
#include <QImage>

#include <algorithm>

namespace kavro::test {
namespace {

using Outcome = TfrmAddModel::OkOutcome;

class AddDiscFlowTest : public AddDiscFixture {
protected:
    // A folder standing in for a disc: two files and a folder with one more.
    std::filesystem::path makeDiscFolder(const std::string& name)
    {
        dir.write(name + "/readme.txt", "hello");
        dir.write(name + "/tracks/one.wav", "riff");
        return dir / name;
    }

    static bool contains(const std::vector<int>& v, int x)
    {
        return std::find(v.begin(), v.end(), x) != v.end();
    }
};

TEST_F(AddDiscFlowTest, FullCabinetShowsNoEmptySlotAndWritesNothing)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    exec("BEGIN");
    for (int slot = 1; slot <= 150; ++slot)
        putRow(kPlain, slot, "T" + std::to_string(slot));
    exec("COMMIT");

    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        EXPECT_TRUE(m.controls().slotText.empty());
        EXPECT_TRUE(m.controls().labelSlot.empty());
        m.controls().title = "One too many";
        m.chooseCategory(category("Films"));
        EXPECT_EQ(m.ok(), Outcome::Closed);
        EXPECT_EQ(m.controls().slotText, "0");
    };
    EXPECT_FALSE(flow->add());

    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "本機無空槽可放");
    EXPECT_EQ(person.boxes[0].caption, "KAVRO - Warning");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(rowCount(), 150);
    EXPECT_FALSE(contains(sim.indicesSent(kPlain), 12));
    EXPECT_TRUE(views.calls.empty());
}

TEST_F(AddDiscFlowTest, ChoosingAMachinePresentsItsLowestFreeSlotAtTheDoor)
{
    const int cabinet = addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 1, "A");
    putRow(kPlain, 2, "B");
    putRow(kPlain, 4, "D");

    dialogs.disc = [&](TfrmAddModel& m) {
        const int stopsBefore = monitor.stops;
        m.chooseMachine(position("Plain"));
        EXPECT_EQ(m.controls().slotText, "3");
        EXPECT_EQ(m.controls().labelSlot, "3");
        EXPECT_EQ(m.controls().freeSlots.size(), 147u);
        EXPECT_EQ(m.controls().freeSlots.front(), 3);
        EXPECT_FALSE(contains(m.controls().freeSlots, 4));
        EXPECT_EQ(m.controls().freeSlots.back(), 150);
        // The monitor was off while the machine was spoken to, and runs again.
        EXPECT_GT(monitor.stops, stopsBefore);
        EXPECT_TRUE(monitor.active());
        EXPECT_TRUE(movedTo(kPlain, 3));
        // Choosing the same machine again does nothing.
        sim.clearLog();
        m.chooseMachine(position("Plain"));
        EXPECT_TRUE(sim.indicesSent(kPlain).empty());
    };
    EXPECT_FALSE(flow->add());
    EXPECT_EQ(sim.state(cabinet).doorSlot, 3);
}

TEST_F(AddDiscFlowTest, ASlotWhereTheLastCataloguingRunFoundADiscIsNotProposedAndThePersonIsTold)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 1, "A");
    putRow(kPlain, 2, "B");
    putRow(kPlain, 4, "D");
    dir.write("Data/CabinetRun.log", "run 2024-03-05 12:00:00 machine=" + std::to_string(kPlain) +
                                         " slots=1-6 existing=check titles=0 category=0 different=0\n"
                                         "slot 3 not catalogued |  | holds HOLIDAY\nslot 5 empty |  | \nend\n");
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        EXPECT_EQ(m.controls().slotText, "5");
        EXPECT_FALSE(contains(m.controls().freeSlots, 3));
        EXPECT_TRUE(contains(m.controls().freeSlots, 5));
        ASSERT_EQ(person.boxes.size(), 1u);
        EXPECT_NE(person.boxes[0].text.find("Slot 3: not catalogued: holds HOLIDAY"), std::string::npos)
            << person.boxes[0].text;
        EXPECT_NE(person.boxes[0].text.find("Slot 5 is proposed"), std::string::npos);
    };
    EXPECT_FALSE(flow->add());
    EXPECT_TRUE(movedTo(kPlain, 5));
}

TEST_F(AddDiscFlowTest, SwitchingMachinesPutsTheFirstOnesArmDiscDown)
{
    const int first = addMachine(kPlain, "Plain", kPlainModel);
    addMachine(kDrive, "Drive", "KZ350VN");
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        EXPECT_EQ(sim.state(first).doorSlot, 1);
        sim.clearLog();
        m.chooseMachine(position("Drive"));
        // The first machine is still bringing slot 1 to its door: asked until it has stopped, then 14.
        std::vector<int> toFirst = sim.indicesSent(kPlain);
        ASSERT_FALSE(toFirst.empty());
        EXPECT_EQ(toFirst.back(), 14);
        toFirst.pop_back();
        EXPECT_EQ(toFirst, std::vector<int>(toFirst.size(), 17));
        EXPECT_EQ(sim.state(first).doorSlot, 0);
        EXPECT_TRUE(movedTo(kDrive, 1));
    };
    flow->add();
}

TEST_F(AddDiscFlowTest, AnUnknownMachineNameLeavesTheSlotBoxEmptyAndTheMonitorRunning)
{
    // A name with a trailing blank: the box text, trimmed, names no machine.
    addMachine(kPlain, "Plain ", kPlainModel);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain "));
        EXPECT_EQ(m.machine(), 0);
        EXPECT_TRUE(m.controls().slotText.empty());
        EXPECT_TRUE(m.controls().freeSlots.empty());
        EXPECT_TRUE(monitor.active());
        m.clickCheckSlot(true);
        EXPECT_FALSE(m.controls().checkSlot);
        EXPECT_FALSE(m.controls().slotEnabled);
        m.controls().title = "Nowhere";
        m.chooseCategory(category("Films"));
        // No machine: OK keeps the dialog open with what was typed.
        EXPECT_EQ(m.ok(), Outcome::MachineMissing);
        EXPECT_EQ(m.result(), -1);
    };
    EXPECT_FALSE(flow->add());
    EXPECT_TRUE(sim.indicesSent(kPlain).empty());
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(AddDiscFlowTest, OverwritingAUsedSlotAfterConfirmationLeavesOneRowWithANewCreateDate)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 5, "Old title", 1);
    // Enter on the used slot asks, and OK asks again.
    person.boxAnswers = {BoxAnswer::Ok, BoxAnswer::Ok};
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.clickCheckSlot(true);
        EXPECT_TRUE(m.controls().slotEnabled);
        m.enterSlotBox("5");
        EXPECT_EQ(m.controls().slotText, "5");
        EXPECT_FALSE(m.controls().slotRed);
        m.controls().title = "New title";
        m.controls().barcode = "4711";
        m.chooseCategory(category("Films"));
        EXPECT_EQ(m.ok(), Outcome::Closed);
    };
    ASSERT_TRUE(flow->add());

    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[0].text.rfind("確定覆蓋舊資料嗎?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[1].text.rfind("確定覆蓋舊資料嗎?", 0), 0u) << person.boxes[1].text;
    // Both name the disc whose record goes, and Enter keeps it.
    EXPECT_NE(person.boxes[0].text.find("Old title\nPlain, 槽位 5"), std::string::npos) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[1].defaultAnswer, BoxAnswer::Cancel);
    EXPECT_TRUE(movedTo(kPlain, 5));
    const auto written =
        rows("SELECT TRIM(TitleA), TRIM(Barcode), Category, TRIM(Categoryname), CreateDate FROM KAVRO "
             "WHERE MachineNo=" +
             std::to_string(kPlain) + " AND Slot=5");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0],
              (std::vector<std::string>{"New title", "4711", "3", "Films", "2024-03-05 12:34:56"}));
    EXPECT_EQ(views.calls,
              (std::vector<std::string>{"overwritten New title", "select " + std::to_string(kPlain) + "/5"}));
}

TEST_F(AddDiscFlowTest, ARefusedOverwriteKeepsTheDialogOpenAndClosingThenWritesNothing)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 5, "Old title", 1);
    person.boxAnswers = {BoxAnswer::Cancel};
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.clickCheckSlot(true);
        m.leaveSlotBox("5");
        EXPECT_TRUE(m.controls().slotRed);
        EXPECT_EQ(m.slot(), 5);
        m.controls().title = "New title";
        m.chooseCategory(category("Films"));
        EXPECT_EQ(m.ok(), Outcome::OverwriteRefused);
        EXPECT_EQ(m.result(), -1);
        m.close();
    };
    EXPECT_FALSE(flow->add());
    EXPECT_EQ(rows("SELECT TRIM(TitleA), CreateDate FROM KAVRO"),
              (std::vector<std::vector<std::string>>{{"Old title", "2001-02-03 04:05:06"}}));
    EXPECT_TRUE(views.calls.empty());
}

TEST_F(AddDiscFlowTest, AddWithScanOfAFolderMappedAsADriveWritesVolumeAndTree)
{
    mapFolderDrive('G', makeDiscFolder("MYDISC"));
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        EXPECT_EQ(m.controls().drives, (std::vector<std::string>{"G:\\"}));
        m.chooseMachine(position("Plain"));
        // The volume label of the chosen drive becomes the empty title.
        m.chooseDrive("G:\\");
        EXPECT_EQ(m.controls().title, "MYDISC");
        m.controls().scan = true;
        m.chooseCategory(category("Jazz"));
        EXPECT_EQ(m.ok(), Outcome::Closed);
    };
    ASSERT_TRUE(flow->add());
    EXPECT_EQ(driveName, "G:\\");

    const auto row = rows("SELECT TRIM(TitleA), Misc1, TreeIndexS, TreeDataS, TreeData, Category FROM KAVRO");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "MYDISC");
    EXPECT_NE(row[0][1].find("Volume=MYDISC\r\nSerial="), std::string::npos) << row[0][1];
    // Root, its run (readme.txt, tracks, terminator) and the run of tracks (one.wav, terminator).
    EXPECT_EQ(row[0][2], "6");
    const std::string& names = row[0][4];
    EXPECT_NE(names.find(std::string("G:\0", 3)), std::string::npos);
    EXPECT_NE(names.find("readme.txt"), std::string::npos);
    EXPECT_NE(names.find("one.wav"), std::string::npos);
    EXPECT_EQ(row[0][5], "2");
    EXPECT_EQ(views.status[0], "ID: " + std::to_string(kPlain));
    EXPECT_EQ(views.status[1], "ID NAME : Plain");
    EXPECT_EQ(views.status[2], "SLOT : 1");
    EXPECT_EQ(catalogue->currentDisc().summary.substr(0, 24), "CD Title      : MYDISC\r\n");
}

TEST_F(AddDiscFlowTest, TheCddbTitlesOfAReadDiscBecomeItsRemark)
{
    CddbTestServer server;
    server.addReply(CddbTestServer::ok("200 rock 0b02bf02 Artist / Album\r\n"));
    server.addReply(CddbTestServer::ok("210 rock 0b02bf02\r\nDTITLE=Artist / Album\r\nTTITLE0=Intro\r\n"
                                       "TTITLE1=Outro\r\n.\r\n"));
    ASSERT_TRUE(settings->writeString("System", "eMail", "me@example.org"));
    ASSERT_TRUE(settings->writeString("System", "cddb_host", server.hostSetting()));
    ASSERT_TRUE(settings->writeString("System", "title_source", "CDDB"));
    tocReader.toc = CdToc{{150, 20000}, 40000};
    DiscTitleLookup lookup{tocReader};
    // The server answers while the lookup waits for it.
    clock.onProcessEvents = [&] {
        if (lookup.busy())
            server.answerNext();
    };
    AddDiscFlowServices withServer = makeServices(lookup);
    AddDiscFlow cddbFlow(withServer, views, dialogs);
    mapFolderDrive('G', makeDiscFolder("AUDIO"));
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.chooseDrive("G:\\");
        m.controls().remark = "typed";
        m.controls().scan = true;
        m.controls().cddb = true;
        m.chooseCategory(category("Music"));
        m.ok();
    };
    ASSERT_TRUE(cddbFlow.add());
    const std::string titles = "Artist / Album\r\n\r\n01. Intro\r\n02. Outro";
    EXPECT_EQ(rows("SELECT Remark FROM KAVRO").at(0).at(0), titles);
    EXPECT_EQ(views.shownRemarks, (std::vector<std::string>{"typed", titles + "\r\n"}));
    EXPECT_EQ(tocReader.devices, (std::vector<std::string>{(dir / "AUDIO").string()}));
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(AddDiscFlowTest, EditWithoutScanKeepsTheStoredTreeAndVolumeData)
{
    mapFolderDrive('G', makeDiscFolder("MYDISC"));
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.chooseDrive("G:\\");
        m.controls().scan = true;
        m.chooseCategory(category("Jazz"));
        m.ok();
    };
    ASSERT_TRUE(flow->add());
    // A second disc without a scan leaves the window's current tree empty.
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.controls().title = "Second";
        m.chooseCategory(category("Films"));
        m.ok();
    };
    ASSERT_TRUE(flow->add());
    EXPECT_EQ(catalogue->fileTree().entryCount(), 0);
    const std::string query =
        "SELECT TreeIndexS, TreeDataS, TreeIndex, TreeData, Misc1 FROM KAVRO WHERE Slot=1";
    const auto before = rows(query);

    dialogs.disc = [&](TfrmAddModel& m) {
        EXPECT_EQ(m.controls().title, "MYDISC");
        EXPECT_EQ(m.controls().label8, "Jazz");
        EXPECT_FALSE(m.controls().checkSlotShown);
        EXPECT_FALSE(m.controls().machineBoxEnabled);
        EXPECT_EQ(m.controls().slotText, "1");
        EXPECT_EQ(m.controls().caption, "編輯資料");
        m.controls().title = "Renamed";
        EXPECT_EQ(m.ok(), Outcome::Closed);
    };
    ASSERT_TRUE(flow->edit(kPlain, 1));
    EXPECT_EQ(rows(query), before);
    EXPECT_EQ(rows("SELECT TRIM(TitleA) FROM KAVRO WHERE Slot=1").at(0).at(0), "Renamed");
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(views.calls.back(), "edited Renamed");
}

TEST_F(AddDiscFlowTest, AnEditMovesTheDiscOnlyWhenItIsWritten)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 7, "Disc", 1);
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseCategory(category("Films"));
        m.close();
    };
    EXPECT_FALSE(flow->edit(kPlain, 7));
    EXPECT_TRUE(views.calls.empty());
    EXPECT_EQ(rows("SELECT Category FROM KAVRO").at(0).at(0), "1");

    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseCategory(category("Films"));
        EXPECT_EQ(m.ok(), Outcome::Closed);
    };
    EXPECT_TRUE(flow->edit(kPlain, 7));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"edited Disc moved"}));
    EXPECT_EQ(rows("SELECT Category, TRIM(Categoryname) FROM KAVRO").at(0),
              (std::vector<std::string>{"3", "Films"}));
    EXPECT_FALSE(flow->edit(kPlain, 8));
}

TEST_F(AddDiscFlowTest, APictureIsStoredAsBitmapAndAnUntouchedOneStaysAsItWas)
{
    QImage image(8, 6, QImage::Format_RGB888);
    image.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPG"));
    const auto file = dir.write("Preview/cover.jpg", jpeg.toStdString());
    QByteArray bmp;
    QBuffer bmpBuffer(&bmp);
    bmpBuffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB888).save(&bmpBuffer, "BMP"));
    const auto bitmapFile = dir.write("Preview/label.bmp", bmp.toStdString());
    const auto brokenFile = dir.write("Preview/broken.jpg", "not a picture");

    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    person.fileAnswers = {bitmapFile.string(), brokenFile.string(), file.string()};
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        m.choosePicture();
        const std::string bitmap = m.controls().picture;
        EXPECT_EQ(bitmap.substr(0, 2), "BM");
        // A file that does not load leaves the picture as it was.
        m.choosePicture();
        EXPECT_EQ(m.controls().picture, bitmap);
        m.choosePicture();
        m.controls().title = "With cover";
        m.chooseCategory(category("Films"));
        m.ok();
    };
    ASSERT_TRUE(flow->add());
    ASSERT_EQ(person.fileChoices.size(), 3u);
    EXPECT_EQ(person.fileChoices[0].caption, "圖檔選擇");
    EXPECT_EQ(std::filesystem::path(person.fileChoices[0].prompt), dir / "Preview");
    const std::string stored = rows("SELECT Pic FROM KAVRO").at(0).at(0);
    ASSERT_EQ(stored.substr(0, 2), "BM");
    QImage back;
    ASSERT_TRUE(back.loadFromData(QByteArray(stored.data(), static_cast<qsizetype>(stored.size())), "BMP"));
    EXPECT_EQ(back.size(), QSize(8, 6));

    // A row whose picture is a JPEG stream keeps it byte for byte through an edit.
    exec("UPDATE KAVRO SET Pic=X'" + QByteArray(jpeg.toHex()).toStdString() + "'");
    dialogs.disc = [&](TfrmAddModel& m) {
        EXPECT_EQ(m.controls().picture.substr(0, 2), "BM");
        m.controls().remark = "kept";
        m.ok();
    };
    ASSERT_TRUE(flow->edit(kPlain, 1));
    EXPECT_EQ(rows("SELECT Pic FROM KAVRO").at(0).at(0), jpeg.toStdString());

    dialogs.disc = [&](TfrmAddModel& m) {
        m.removePicture();
        m.ok();
    };
    ASSERT_TRUE(flow->edit(kPlain, 1));
    EXPECT_EQ(rows("SELECT Pic FROM KAVRO").at(0).at(0), "<null>");
}

TEST_F(AddDiscFlowTest, GetNowOnAMachineWithADriveLoadsTheSlotsDiscAndReturnsIt)
{
    mapFolderDrive('G', makeDiscFolder("INDRIVE"));
    const int cabinet = addMachine(kDrive, "Drive", "KZ350VN", 2000);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Drive"));
        m.chooseDrive("G:\\");
        m.controls().scan = true;
        m.chooseCategory(category("Music"));
        EXPECT_EQ(m.ok(), Outcome::Closed);
        sim.clearLog();
    };
    ASSERT_TRUE(flow->add());

    const std::vector<int> sent = sim.indicesSent(kDrive);
    const auto load = std::find(sent.begin(), sent.end(), 19);
    ASSERT_NE(load, sent.end());
    ASSERT_NE(load + 1, sent.end());
    EXPECT_EQ(*(load + 1), 1);
    const auto eject = std::find(load, sent.end(), 20);
    EXPECT_NE(eject, sent.end());
    EXPECT_EQ(sim.state(cabinet).driveSlot, 0);
    // The drive check reports the drive afterwards and starts the monitor again.
    EXPECT_GT(driveCheck.starts, 0);
    EXPECT_EQ(rows("SELECT TreeIndexS FROM KAVRO").at(0).at(0), "6");
}

TEST_F(AddDiscFlowTest, ADiscThatCannotBeLoadedIsNotReadFromTheDrive)
{
    mapFolderDrive('G', makeDiscFolder("OTHERDISC"));
    addMachine(kDrive, "Drive", "KZ350VN");
    openLibrary();
    // Slots 1 to 10 are catalogued, so slot 11 is offered; the cabinet holds no disc there.
    exec("BEGIN");
    for (int slot = 1; slot <= 10; ++slot)
        putRow(kDrive, slot, "T");
    exec("COMMIT");
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Drive"));
        EXPECT_EQ(m.controls().slotText, "11");
        m.chooseDrive("G:\\");
        m.controls().scan = true;
        m.chooseCategory(category("Music"));
        m.ok();
        sim.clearLog();
    };
    ASSERT_TRUE(flow->add());
    const auto row = rows("SELECT TRIM(TitleA), Misc1, TreeIndexS FROM KAVRO WHERE Slot=11");
    ASSERT_EQ(row.size(), 1u);
    EXPECT_EQ(row[0][0], "OTHERDISC");
    EXPECT_EQ(row[0][1], "Other=\r\nVolume=\r\nSerial=\r\nFileSystem=");
    EXPECT_EQ(row[0][2], "0");
    EXPECT_FALSE(contains(sim.indicesSent(kDrive), 20));
    EXPECT_TRUE(monitor.active());
}

TEST_F(AddDiscFlowTest, TheChooserNeedsACategoryAndStartsTheChosenFlow)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    flow->addType();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "請先選擇類型再來新增");
    EXPECT_EQ(person.boxes[0].caption, "Warning!!");
    EXPECT_EQ(dialogs.addTypeDialogs, 0);

    views.selected = catalogue->categoryTree().searchRoot();
    flow->addType();
    EXPECT_EQ(person.boxes.size(), 2u);

    views.selected = catalogue->categories()[category("Films")].node;
    dialogs.addType = 2;
    flow->addType();
    EXPECT_EQ(views.calls, (std::vector<std::string>{"new category"}));

    // From a category the add flow starts with that category chosen; from CategoryRoot without.
    views.selected = catalogue->categories()[category("Jazz")].node;
    dialogs.addType = 1;
    std::string preselected = "unset";
    dialogs.disc = [&](TfrmAddModel& m) { preselected = m.controls().label8; };
    flow->addType();
    EXPECT_EQ(preselected, "Jazz");
    views.selected = catalogue->categoryTree().categoryRoot();
    flow->addType();
    EXPECT_EQ(preselected, "");
    dialogs.addType = 0;
    flow->addType();
    EXPECT_EQ(dialogs.discDialogs, 2);
    EXPECT_EQ(dialogs.addTypeDialogs, 4);
}

TEST_F(AddDiscFlowTest, OkRefusesAMissingTitleThenAMissingCategory)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    dialogs.disc = [&](TfrmAddModel& m) {
        m.chooseMachine(position("Plain"));
        EXPECT_EQ(m.ok(), Outcome::TitleMissing);
        m.controls().title = "  ";
        EXPECT_EQ(m.ok(), Outcome::TitleMissing);
        m.controls().title = "Title";
        EXPECT_EQ(m.ok(), Outcome::CategoryMissing);
        EXPECT_EQ(m.result(), -1);
    };
    EXPECT_FALSE(flow->add());
    ASSERT_EQ(person.boxes.size(), 3u);
    EXPECT_EQ(person.boxes[0].text, "片名");
    EXPECT_EQ(person.boxes[0].caption, "警告訊息");
    EXPECT_EQ(person.boxes[2].text, "分類");
    EXPECT_EQ(beeps, 3);
    EXPECT_EQ(rowCount(), 0);
}

} // namespace
} // namespace kavro::test
