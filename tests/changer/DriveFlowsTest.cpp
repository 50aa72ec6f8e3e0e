#include "ChangerFixture.h"

#include "changer/DriveFlows.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;

class DriveFlowsTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        drive = addCabinet(kDrive);
        openLibrary();
        registerMachine(kDrive, "Drive");
        ctx->display.addMachineName("Drive");
        ctx->CurrentMachine = kDrive;
    }
    int drive = 0;
};

TEST_F(DriveFlowsTest, LoadWithoutASlotOnlyRefreshesTheBox)
{
    ctx->CurrentSlot = 0;
    ctx->display.setMachineNameText("other");
    LoadToDrive(*ctx);
    EXPECT_TRUE(torvex.calls.empty());
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(ctx->display.machineNameText(), "Drive");
    EXPECT_EQ(monitor.stops, 1);
    // No drive check follows, so monitoring goes on at once.
    EXPECT_TRUE(monitor.active());
    EXPECT_FALSE(driveCheck.active());
}

TEST_F(DriveFlowsTest, LoadMovesTheSlotIntoTheDrive)
{
    ctx->CurrentSlot = 4;
    std::vector<std::string> labels;
    ctx->display.setOnChange([&](ChangerDisplay::Part) { labels.push_back(ctx->display.stateLabel()); });
    LoadToDrive(*ctx);
    // The drive is read from an idle cabinet only, and once more when the load is over: the
    // load takes 8 s, and the cabinet is asked each second until it has stopped.
    std::vector<int> expected{17, 14, 17, 18, 17, 19, 4};
    expected.insert(expected.end(), 9, 17);
    expected.insert(expected.end(), {18, 17});
    EXPECT_EQ(sim.indicesSent(kDrive), expected);
    EXPECT_EQ(sim.state(drive).driveSlot, 4);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Check Load Slot 4 "), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "Checking Slot 4 "), labels.end());
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 4 in the drive");
    EXPECT_EQ(ctx->display.statusText(0), "Device status OK");
    EXPECT_TRUE(driveCheck.active());
    EXPECT_FALSE(monitor.active());
    EXPECT_EQ(clock.sleeps, std::vector<int>(9, 1000));
}

TEST_F(DriveFlowsTest, LoadOfTheSlotAlreadyInTheDriveMovesNothing)
{
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 4), 0);
    settle();
    sim.clearLog();
    ctx->CurrentSlot = 4;
    LoadToDrive(*ctx);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Disk in the drive :4 \r\n");
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 18, 17}));
    EXPECT_EQ(ctx->DriveSlot, 4);
    EXPECT_TRUE(driveCheck.active());
}

TEST_F(DriveFlowsTest, LoadOnAMissingMachineWarnsAndStops)
{
    ctx->CurrentMachine = 999;
    ctx->CurrentSlot = 4;
    LoadToDrive(*ctx);
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(torvex.names(), (std::vector<std::string>{"USBCDGetStatus", "USBCDGetStatus", "USBCDReset"}));
    EXPECT_EQ(clock.sleeps, std::vector<int>{1000});
    EXPECT_TRUE(monitor.active());
}

TEST_F(DriveFlowsTest, EjectFromTheMenuAndFromTheBar)
{
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 4), 0);
    settle();
    sim.clearLog();
    EjectFromDrive(*ctx);
    // The return takes 6 s; the bar shows the empty drive once it is over.
    std::vector<int> expected{17, 14, 17, 20};
    expected.insert(expected.end(), 7, 17);
    expected.insert(expected.end(), {18, 17});
    EXPECT_EQ(sim.indicesSent(kDrive), expected);
    EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
    EXPECT_EQ(sim.state(drive).driveSlot, 0);
    EXPECT_EQ(monitor.stops, 1);
    EXPECT_TRUE(driveCheck.active());

    // The bar's button ejects the machine named in the box, retrying readiness once.
    const int key = sim.addCabinet({.id = 0x0A0B0D, .model = "KZ350VN", .slots = 100, .filled = {1}});
    openLibrary();
    registerMachine(0x0A0B0D, "Second");
    ctx->display.setMachineNameText("Second");
    sim.script(key, 17, Reply::text("BUSY"));
    EjectFromDriveButton(*ctx);
    EXPECT_EQ(sim.indicesSent(0x0A0B0D), (std::vector<int>{17, 17, 14, 17, 20, 17, 18, 17}));
    EXPECT_EQ(ctx->CurrentMachine, 0x0A0B0D);
    EXPECT_TRUE(sim.indicesSent(kDrive).empty());
}

TEST_F(DriveFlowsTest, ShowDriveStateFollowsTheBox)
{
    ctx->display.setMachineNameText("Nobody");
    ShowDriveState(*ctx);
    EXPECT_TRUE(sim.log().empty());

    ASSERT_EQ(USBCDMovetoDrive(kDrive, 9), 0);
    settle();
    sim.clearLog();
    ctx->display.setMachineNameText("Drive");
    ShowDriveState(*ctx);
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 18, 17}));
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 9 in the drive");
    EXPECT_TRUE(ctx->display.ejectEnabled());

    ctx->display.clearMachineNames();
    ctx->display.setMachineNameText("Drive");
    sim.clearLog();
    ShowDriveState(*ctx);
    EXPECT_TRUE(sim.log().empty());
}

TEST_F(DriveFlowsTest, ExplorerOpensTheDrivesViewAndRescansWhenTheCountChanged)
{
    std::vector<std::string> opened;
    ctx->openLocation = [&](const std::string& folder) { opened.push_back(folder); };
    ctx->KnownMachineCount = 1;
    ExplorerAction(*ctx);
    EXPECT_EQ(opened, std::vector<std::string>{""});
    EXPECT_EQ(ctx->display.statusText(0), "Device:1");
    EXPECT_EQ(torvex.find("CloseUSBKavro"), nullptr);

    ctx->driveFolder = [](int machine) { return "/media/disc" + std::to_string(machine); };
    addCabinet(kPlain, "1234567A");
    person.inputAnswers = {std::string("Plain")};
    ExplorerAction(*ctx);
    EXPECT_EQ(opened.back(), "/media/disc658188");
    EXPECT_EQ(ctx->machines.MachineName(kPlain), "Plain");
    EXPECT_EQ(ctx->KnownMachineCount, 2);
    EXPECT_EQ(ctx->display.statusText(0), "Device:2");
}

// The drive's folder as the desktop mounts it: empty until the disc has been in the drive for
// mountMs, then the disc's folders (in lower case, as plain ISO 9660 names are shown).
struct MountedDrive {
    std::filesystem::path root;
    std::int64_t mountMs = 3000;
    std::optional<std::int64_t> since;
};

TEST_F(DriveFlowsTest, LoadAndOpenWaitsForTheLoadAndTheMountThenOpensTheFolder)
{
    MountedDrive mount{dir.path() / "media"};
    std::filesystem::create_directories(mount.root);
    std::vector<std::pair<std::string, std::int64_t>> opened;
    ctx->openLocation = [&](const std::string& folder) { opened.emplace_back(folder, clock.nowMs()); };
    ctx->driveFolder = [&](int) {
        if (sim.state(drive).driveSlot != 4)
            return std::string();
        if (!mount.since)
            mount.since = clock.nowMs();
        if (clock.nowMs() - *mount.since >= mount.mountMs)
            std::filesystem::create_directories(mount.root / "work/2019");
        return mount.root.string();
    };
    using V = std::vector<std::string>;
    EXPECT_TRUE(LoadAndOpenFolder(*ctx, kDrive, 4, V{"Work", "2019"}));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, (mount.root / "work/2019").string());
    EXPECT_GE(opened[0].second, *mount.since + mount.mountMs);
    EXPECT_TRUE(person.boxes.empty());

    // In the drive already: nothing moves; a folder the disc lacks opens the deepest it has.
    sim.clearLog();
    EXPECT_TRUE(LoadAndOpenFolder(*ctx, kDrive, 4, V{"work", "2020", "x"}));
    EXPECT_EQ(opened.back().first, (mount.root / "work").string());
    const auto sent = sim.indicesSent(kDrive);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 19), 0);
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(DriveFlowsTest, LoadAndOpenOfADiscThatNeverBecomesReadableStopsAndSays)
{
    std::vector<std::string> opened;
    ctx->openLocation = [&](const std::string& folder) { opened.push_back(folder); };
    // Mounted, but showing nothing.
    std::filesystem::create_directories(dir.path() / "empty");
    ctx->driveFolder = [&](int) { return (dir.path() / "empty").string(); };
    const std::int64_t began = clock.nowMs();
    EXPECT_FALSE(LoadAndOpenFolder(*ctx, kDrive, 5, {"a"}, 20000, 1000));
    EXPECT_EQ(sim.state(drive).driveSlot, 5);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "The disc of slot 5 is in the drive, but it could not be read within 20 seconds.");
    EXPECT_LT(clock.nowMs() - began, 20000 + 15000 + 5000);

    // An empty slot is refused by the cabinet and told by the load; nothing opens.
    person.boxes.clear();
    EXPECT_FALSE(LoadAndOpenFolder(*ctx, kDrive, 50, {}));
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(person.boxes.size(), 1u);
}

TEST_F(DriveFlowsTest, SlotBoxAndListSelections)
{
    ctx->CurrentSlot = 5;
    ChooseSlotBoxText(*ctx, "42");
    EXPECT_EQ(ctx->CurrentSlot, 42);
    for (const char* bad : {"0", "abc", "", "101", "-3", "7x"}) {
        ctx->display.setSlotBoxText(bad);
        ChooseSlotBoxText(*ctx, bad);
        EXPECT_EQ(ctx->CurrentSlot, 42) << bad;
        EXPECT_EQ(ctx->display.slotBoxText(), "1") << bad;
    }

    SelectDiscRow(*ctx, kDrive, 12, IsDriveMachine(*ctx, kDrive));
    EXPECT_EQ(ctx->CurrentMachine, kDrive);
    EXPECT_EQ(ctx->CurrentSlot, 12);
    EXPECT_TRUE(ctx->display.driveEntriesShown());

    registerMachine(kPlain, "Plain", "1234567A");
    SelectDiscRow(*ctx, kPlain, 30, IsDriveMachine(*ctx, kPlain));
    EXPECT_EQ(ctx->CurrentMachine, kPlain);
    EXPECT_EQ(ctx->CurrentSlot, 0);
    EXPECT_FALSE(ctx->display.driveEntriesShown());

    ClickListView5Row(*ctx, kPlain, 30);
    EXPECT_EQ(ctx->CurrentSlot, 30);
    EXPECT_FALSE(ctx->display.driveEntriesShown());
}

} // namespace
} // namespace kavro::test
