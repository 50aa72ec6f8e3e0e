#include "ChangerFixture.h"

#include "changer/DeviceMonitor.h"
#include "changer/MachineRegistry.h"

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;

class MonitorTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        ctx->display.setOnChange([this](ChangerDisplay::Part part) {
            if (part == ChangerDisplay::Part::StatusBar)
                panel0.push_back(ctx->display.statusText(0));
            if (part == ChangerDisplay::Part::MachineBar)
                labels.push_back(ctx->display.stateLabel());
        });
    }
    std::vector<std::string> panel0;
    std::vector<std::string> labels;
};

TEST_F(MonitorTest, TimersStartWithTheirFirstIntervals)
{
    StartChangerTimers(*ctx);
    EXPECT_TRUE(monitor.active());
    EXPECT_EQ(monitor.interval(), 3000);
    EXPECT_TRUE(driveCheck.active());
    EXPECT_EQ(driveCheck.interval(), 20000);
}

TEST_F(MonitorTest, NoChangeRenewsDeviceCheckEverySecond)
{
    addCabinet(kDrive);
    openLibrary();
    for (int tick = 0; tick < 2; ++tick) {
        panel0.clear();
        DeviceMonitorTick(*ctx);
        EXPECT_EQ(panel0, std::vector<std::string>{"12:34:56 Device Check 0"});
        EXPECT_EQ(monitor.interval(), 1000);
        EXPECT_TRUE(monitor.active());
    }
    EXPECT_EQ(monitor.stops, 2);
    EXPECT_TRUE(person.inputs.empty());
}

TEST_F(MonitorTest, APlugInRescansThenTicksEveryThreeSecondsUntilQuiet)
{
    const int key = addCabinet(kDrive, "KZ350VN", false);
    openLibrary();
    sim.plug(key);
    person.inputAnswers = {std::string("New one")};

    DeviceMonitorTick(*ctx);
    EXPECT_EQ(panel0, (std::vector<std::string>{"12:34:56 Device Check 8", "12:34:56 Device Change 8"}));
    EXPECT_EQ(person.inputs.size(), 1u);
    EXPECT_EQ(ctx->machines.MachineName(kDrive), "New one");
    EXPECT_EQ(ctx->KnownMachineCount, 1);
    EXPECT_EQ(monitor.interval(), 3000);
    EXPECT_TRUE(monitor.active());

    panel0.clear();
    DeviceMonitorTick(*ctx);
    EXPECT_EQ(panel0, std::vector<std::string>{"12:34:56 Device Check 0"});
    EXPECT_EQ(monitor.interval(), 1000);
}

TEST_F(MonitorTest, AnUnreadableDeviceListCountsAsAChange)
{
    addCabinet(kDrive);
    openLibrary();
    sim.setListError(5);
    DeviceMonitorTick(*ctx);
    EXPECT_EQ(panel0.back(), "12:34:56 Device Change 3");
    EXPECT_EQ(monitor.interval(), 3000);
    EXPECT_EQ(ctx->KnownMachineCount, 0);
}

TEST_F(MonitorTest, ALibraryFaultCountsAsNoChange)
{
    openLibrary();
    torvex.failing = {"USBCDchanged"};
    DeviceMonitorTick(*ctx);
    EXPECT_EQ(panel0, std::vector<std::string>{"12:34:56 Device Check 0"});
}

TEST_F(MonitorTest, DriveCheckOfAnEmptyDrive)
{
    addCabinet(kDrive);
    openLibrary();
    ctx->CurrentMachine = kDrive;
    driveCheck.start();

    DriveCheckTick(*ctx);
    EXPECT_EQ(clock.sleeps, (std::vector<int>{500, 100, 500, 500}));
    EXPECT_FALSE(driveCheck.active());
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(labels.front(), "Checking 658188");
    EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
    EXPECT_FALSE(ctx->display.ejectEnabled());
    EXPECT_FALSE(ctx->display.detailEnabled());
    EXPECT_EQ(ctx->DriveSlot, 0);
    EXPECT_EQ(ctx->DriveCheckCount, 1);
    EXPECT_TRUE(monitor.active());
    // The drive is read between two status requests: only an idle machine's answer counts, and a
    // failed reading (also 0) is told from an empty drive.
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 18, 17}));
}

TEST_F(MonitorTest, DriveCheckOfSlotSeven)
{
    addCabinet(kDrive);
    openLibrary();
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 7), 0);
    settle();
    ctx->CurrentMachine = kDrive;
    ctx->display.setDriveButtonsEnabled(false);

    DriveCheckTick(*ctx);
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 7 in the drive");
    EXPECT_TRUE(ctx->display.ejectEnabled());
    EXPECT_TRUE(ctx->display.detailEnabled());
    EXPECT_EQ(ctx->DriveSlot, 7);
    EXPECT_EQ(ctx->DriveCheckCount, 1);
    EXPECT_TRUE(monitor.active());
    EXPECT_FALSE(driveCheck.active());
}

TEST_F(MonitorTest, EmptyDriveChecksInARowResetTheCountAndKeepMonitoring)
{
    addCabinet(kDrive);
    openLibrary();
    ctx->CurrentMachine = kDrive;
    std::vector<int> counts;
    for (int i = 0; i < 4; ++i) {
        monitor.stop();
        DriveCheckTick(*ctx);
        counts.push_back(ctx->DriveCheckCount);
        EXPECT_TRUE(monitor.active());
    }
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 0, 1}));
}

TEST_F(MonitorTest, AMovingMachineIsCheckedAgainUpToTenTimesAndNeverShownAsSlotSixtySix)
{
    const int key = addCabinet(kDrive);
    openLibrary();
    ctx->CurrentMachine = kDrive;
    for (int i = 0; i < 11; ++i)
        sim.script(key, 17, Reply::text("BUSY"));
    for (int i = 1; i <= 10; ++i) {
        DriveCheckTick(*ctx);
        EXPECT_EQ(ctx->DriveCheckCount, i);
        EXPECT_TRUE(driveCheck.active());
        EXPECT_FALSE(monitor.active());
        EXPECT_FALSE(ctx->display.ejectEnabled());
    }
    DriveCheckTick(*ctx);
    EXPECT_FALSE(driveCheck.active());
    EXPECT_EQ(ctx->display.stateLabel(), "Checking 658188");
    EXPECT_FALSE(ctx->display.ejectEnabled());
    EXPECT_EQ(ctx->DriveCheckCount, 0);
    EXPECT_TRUE(monitor.active());
    // While it moved, the drive was never asked: its "BUSY" would read as slot 66.
    EXPECT_EQ(sim.indicesSent(kDrive), std::vector<int>(11, 17));

    // An idle machine answering 66 has slot 66 in its drive, shown at once.
    sim.script(key, 18, Reply::text("BUSY"));
    DriveCheckTick(*ctx);
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 66 in the drive");
}

} // namespace
} // namespace kavro::test
