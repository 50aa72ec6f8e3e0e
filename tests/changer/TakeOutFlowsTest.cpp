#include "ChangerFixture.h"

#include "changer/TakeOutFlows.h"
#include "shell/Settings.h"

namespace kavro::test {
namespace {

class TakeOutTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        drive = addCabinet(kDrive);
        openLibrary();
        registerMachine(kDrive, "Drive");
        ctx->display.addMachineName("Drive");
        ctx->settings = &settings;
    }

    void logOn() { ASSERT_TRUE(settings.writeInt("System", "RetrieveLog", 1)); }

    static TakeOutAnswer answer(int result, bool takeOut = true)
    {
        TakeOutAnswer a;
        a.result = result;
        a.takeOut = takeOut;
        a.reason = "Repair";
        a.when = {2024, 3, 5, 9, 7, 30};
        return a;
    }

    std::filesystem::path logFile() const { return dir / "Data/Retrieve.log"; }

    int drive = 0;
    Settings settings{dir / "Kavro.ini"};
    ScriptedTakeOutDialog dialog;
};

TEST_F(TakeOutTest, WithTheLogOffTheSlotComesToTheDoorWithoutARecord)
{
    TakeOutDisc(*ctx, dialog, kDrive, 5, "Concert", TakeOutSource::LeavesMonitor);
    // Every drive reading lies between two status requests, and 14 and the move go to an idle
    // cabinet: readiness, the slot in the drive, the drive state, then the move.
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 17, 18, 17, 17, 14, 17, 18, 17, 17, 14, 17, 12, 5}));
    EXPECT_EQ(clock.sleeps, (std::vector<int>{1500, 3000}));
    const auto* down = &torvex.calls[5];
    const auto* move = torvex.find("USBCDMoveto");
    ASSERT_EQ(down->name, "USBCDGetCDDown");
    EXPECT_EQ(move->atMs - down->atMs, 1500);
    EXPECT_EQ(sim.state(drive).doorSlot, 5);
    EXPECT_TRUE(dialog.asked.empty());
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_EQ(person.busyBegins, 1);
    EXPECT_EQ(person.busyDepth, 0);
    EXPECT_EQ(ctx->display.machineNameText(), "Drive");
    EXPECT_EQ(monitor.stops, 0);
}

TEST_F(TakeOutTest, AConfirmedTakeOutOpensTheDoorAndAppendsItsRecord)
{
    logOn();
    dir.write("Data/Retrieve.log", "earlier");
    dialog.answers = {answer(TakeOutAnswer::Execute)};
    TakeOutDisc(*ctx, dialog, kDrive, 5, "Concert", TakeOutSource::StopsMonitor);

    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(dialog.asked[0], (std::pair<std::string, int>{"Drive", 5}));
    EXPECT_EQ(TempDir::read(logFile()),
              "earlier\r\nTitle : Concert\r\nLibrary Name : Drive\r\nLibrary Location : 5\r\n"
              "Access : 取出\r\nRepair\r\n2024-3-5 9:7\r\n\r\n");
    // Readiness, the drive, its state, the door opened, then the take-out itself.
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 17, 18, 17, 17, 14, 17, 18, 17, 17, 14, 17, 17, 18,
                                                         17, 17, 14, 17, 18, 17, 17, 14, 17, 12, 5}));
    EXPECT_EQ(clock.sleeps, (std::vector<int>{500, 1500, 3000}));
    EXPECT_EQ(ctx->DoorMachine, kDrive);
    EXPECT_EQ(ctx->takeOutResult, 1);
    EXPECT_EQ(monitor.stops, 1);
    EXPECT_TRUE(monitor.active());
}

TEST_F(TakeOutTest, PutInIsLoggedWithItsWord)
{
    logOn();
    dialog.answers = {answer(TakeOutAnswer::Execute, false)};
    TakeOutDisc(*ctx, dialog, kDrive, 9, "Archive", TakeOutSource::LeavesMonitor);
    EXPECT_NE(TempDir::read(logFile()).find("\r\nAccess : 置放\r\n"), std::string::npos);
}

TEST_F(TakeOutTest, AbandonMovesNothingAndWritesNothing)
{
    logOn();
    dialog.answers = {answer(TakeOutAnswer::Abandon)};
    TakeOutDisc(*ctx, dialog, kDrive, 5, "Concert", TakeOutSource::LeavesMonitor);
    EXPECT_EQ(ctx->takeOutResult, 2);
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 17, 18, 17, 17, 14, 17, 18, 17}));
    EXPECT_FALSE(std::filesystem::exists(logFile()));
    EXPECT_EQ(sim.state(drive).doorSlot, 0);
}

TEST_F(TakeOutTest, TheSlotInTheDriveRefusesTheTakeOut)
{
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 7), 0);
    settle();
    for (const bool logged : {false, true}) {
        sim.clearLog();
        person.boxes.clear();
        if (logged)
            logOn();
        dialog.answers = {answer(TakeOutAnswer::Execute)};
        TakeOutDisc(*ctx, dialog, kDrive, 7, "Concert", TakeOutSource::LeavesMonitor);
        ASSERT_EQ(person.boxes.size(), 1u) << logged;
        EXPECT_EQ(person.boxes[0].text, "Disk in the drive :7 \r\n");
        EXPECT_TRUE(dialog.asked.empty());
        for (int code : sim.indicesSent(kDrive))
            EXPECT_NE(code, 12);
        EXPECT_FALSE(std::filesystem::exists(logFile()));
    }
}

TEST_F(TakeOutTest, AnEarlierConfirmationDoesNotCarryOverToAMissingMachine)
{
    logOn();
    dialog.answers = {answer(TakeOutAnswer::Execute)};
    TakeOutDisc(*ctx, dialog, kDrive, 5, "Concert", TakeOutSource::LeavesMonitor);
    registerMachine(999, "Away", "1234567A");
    torvex.calls.clear();
    TakeOutDisc(*ctx, dialog, 999, 5, "Other", TakeOutSource::LeavesMonitor);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "未接機器 ");
    EXPECT_EQ(torvex.names(), (std::vector<std::string>{"USBCDGetStatus", "USBCDGetStatus", "USBCDReset"}));
    EXPECT_EQ(ctx->takeOutResult, 0);
}

TEST_F(TakeOutTest, ALogThatCannotBeOpenedStillTakesTheDiscOut)
{
    logOn();
    std::filesystem::create_directory(logFile());
    dialog.answers = {answer(TakeOutAnswer::Execute)};
    TakeOutDisc(*ctx, dialog, kDrive, 5, "Concert", TakeOutSource::LeavesMonitor);
    EXPECT_EQ(sim.state(drive).doorSlot, 5);
    // The door was not opened for the record that could not be written.
    EXPECT_EQ(ctx->DoorMachine, 0);
    EXPECT_TRUE(std::filesystem::is_directory(logFile()));

    dialog.answers = {answer(TakeOutAnswer::Execute)};
    EXPECT_EQ(TakeOutWithLog(*ctx, dialog, kDrive, 5, "Concert"), -1);
    EXPECT_EQ(ctx->takeOutResult, 1);
}

TEST_F(TakeOutTest, AMachineWithoutADriveSkipsTheDriveQuestion)
{
    addCabinet(kPlain, "1234567A");
    openLibrary();
    registerMachine(kPlain, "Plain", "1234567A");
    ctx->display.setMachineNameText("Drive");
    TakeOut(*ctx, kPlain, 120);
    EXPECT_EQ(sim.indicesSent(kPlain), (std::vector<int>{17, 17, 14, 17, 12, 120}));
    // The drive state is read from the machine named in the box.
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 18, 17}));
}

} // namespace
} // namespace kavro::test
