#include "ChangerFixture.h"

#include "changer/ChangerActions.h"
#include "changer/DeviceMonitor.h"

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;
using ActionsTest = ChangerFixture;

TEST_F(ActionsTest, CheckReadyMapsEachStatusAndWaitsAsTabled)
{
    const int key = addCabinet(kDrive);
    openLibrary();
    struct Case {
        Reply reply;
        int expected;
        std::vector<int> waits;
        std::vector<int> sent;
    };
    const std::vector<Case> cases = {
        {Reply::text("ACK"), 0, {}, {17}},      {Reply::text("+BUSY"), 0, {1000}, {17}},
        {Reply::text("+ACK"), 0, {1000}, {17}}, {Reply::text("BUSY"), 2, {1000}, {17}},
        {Reply::failure(), 3, {}, {17, 11}}, // a failed request resets the machine
        {Reply::text("ERROR1"), 17, {}, {17}},  {Reply::text("ERROR2"), 33, {}, {17}},
    };
    for (const Case& c : cases) {
        sim.clearLog();
        clock.sleeps.clear();
        sim.script(key, 17, c.reply);
        EXPECT_EQ(CheckReady(*ctx, kDrive), c.expected);
        EXPECT_EQ(clock.sleeps, c.waits);
        EXPECT_EQ(sim.indicesSent(kDrive), c.sent);
    }
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(ActionsTest, CheckReadyOnAMissingMachineAnswersOneAndSendsNothing)
{
    addCabinet(kDrive);
    openLibrary();
    EXPECT_EQ(CheckReady(*ctx, 999), 1);
    EXPECT_TRUE(sim.log().empty());
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST_F(ActionsTest, MoveToSlotOnAMissingMachineWarnsResetsAndStillMoves)
{
    addCabinet(kDrive);
    openLibrary();
    EXPECT_EQ(MoveToSlot(*ctx, 999, 5), USBCD_NO_DEVICE);

    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "未接機器 ");
    EXPECT_EQ(person.boxes[0].caption, "System Message");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Warning);
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::Ok);
    EXPECT_EQ(torvex.names(),
              (std::vector<std::string>{"USBCDGetStatus", "USBCDReset", "USBCDGetCDDown", "USBCDGetStatus",
                                        "USBCDMoveto"}));
    EXPECT_EQ(torvex.calls[4].arg, 5);
    EXPECT_EQ(torvex.calls[4].atMs - torvex.calls[2].atMs, 1500);
}

TEST_F(ActionsTest, MoveToSlotBringsTheSlotToTheDoor)
{
    const int key = addCabinet(kDrive);
    openLibrary();
    EXPECT_EQ(MoveToSlot(*ctx, kDrive, 5), 0);
    // The move goes out once the arm has put its disc down.
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 12, 5}));
    EXPECT_EQ(clock.sleeps, std::vector<int>{1500});
    EXPECT_EQ(sim.state(key).doorSlot, 5);
}

TEST_F(ActionsTest, DoorActions)
{
    const int key = addCabinet(kDrive);
    openLibrary();

    // Nothing open: nothing sent.
    CloseDoor(*ctx);
    EXPECT_TRUE(sim.log().empty());

    // A machine still moving (a load of 8 s) is waited for; its arm is told once it has stopped.
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 3), 0);
    sim.clearLog();
    EXPECT_EQ(OpenDoor(*ctx, kDrive, 4), 0);
    EXPECT_EQ(ctx->DoorMachine, kDrive);
    EXPECT_EQ(ctx->DoorSlot, 4);
    std::vector<int> waited(9, 17);
    waited.push_back(14);
    EXPECT_EQ(sim.indicesSent(kDrive), waited);

    // Once ready, closing the door sends code 14 and forgets it.
    settle();
    sim.clearLog();
    CloseDoor(*ctx);
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14}));
    EXPECT_EQ(ctx->DoorMachine, 0);
    EXPECT_EQ(ctx->DoorSlot, 0);

    // Opening another door closes the one left open first.
    settle();
    OpenDoor(*ctx, kDrive, 4);
    settle();
    sim.clearLog();
    EXPECT_EQ(OpenDoor(*ctx, kDrive, 6), 0);
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{17, 14, 17, 14}));
    EXPECT_EQ(ctx->DoorSlot, 6);

    // A machine that never stops is remembered as open, but its arm is not told.
    settle();
    ctx->DoorMachine = 0;
    for (int i = 0; i < 40; ++i)
        sim.script(key, 17, Reply::text("BUSY"));
    sim.clearLog();
    EXPECT_EQ(OpenDoor(*ctx, kDrive, 4), 2);
    EXPECT_EQ(ctx->DoorSlot, 4);
    for (const int code : sim.indicesSent(kDrive))
        EXPECT_EQ(code, 17);
}

TEST_F(ActionsTest, PowerOffAllSkipsABusyMachine)
{
    addCabinet(1001, "1234567A");
    const int busy = addCabinet(1002, "1234567A");
    addCabinet(1003, "1234567A");
    openLibrary();
    registerMachine(1001, "A", "1234567A");
    registerMachine(1002, "B", "1234567A");
    registerMachine(1003, "C", "1234567A");
    sim.script(busy, 17, Reply::text("BUSY"));

    PowerOffAll(*ctx);
    EXPECT_EQ(sim.indicesSent(1001), (std::vector<int>{17, 14, 16}));
    EXPECT_EQ(sim.indicesSent(1002), std::vector<int>{17});
    EXPECT_EQ(sim.indicesSent(1003), (std::vector<int>{17, 14, 16}));
    EXPECT_TRUE(person.boxes.empty());

    sim.clearLog();
    PowerOnAll(*ctx);
    ResetAll(*ctx);
    EXPECT_EQ(sim.indicesSent(1001), (std::vector<int>{17, 14, 15, 17, 14, 11}));
}

TEST_F(ActionsTest, AllMachineActionsDoNothingWithoutMachinesPresent)
{
    openLibrary();
    registerMachine(1001, "A");
    PowerOnAll(*ctx);
    EXPECT_EQ(torvex.names(), std::vector<std::string>{"GetDeviceNumber"});
}

TEST_F(ActionsTest, EjectDriveReturnsTheDiscAndHandsOverToTheDriveCheck)
{
    const int key = addCabinet(kDrive);
    openLibrary();
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 3), 0);
    settle();
    sim.clearLog();
    ctx->CurrentMachine = 77;

    EjectDrive(*ctx, kDrive);
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{14, 17, 20}));
    EXPECT_EQ(clock.sleeps, std::vector<int>{1000});
    EXPECT_EQ(sim.state(key).driveSlot, 0);
    EXPECT_EQ(ctx->display.stateLabel(), "Checking Eject");
    EXPECT_EQ(ctx->display.statusText(0), "Device status OK");
    EXPECT_EQ(ctx->CurrentMachine, kDrive);
    EXPECT_TRUE(driveCheck.active());
}

TEST_F(ActionsTest, AFailedEjectResetsTheEjectingMachine)
{
    const int key = addCabinet(kDrive);
    openLibrary();
    ctx->CurrentMachine = 77;
    sim.script(key, 20, Reply::failure());
    EjectDrive(*ctx, kDrive);
    EXPECT_EQ(ctx->display.statusText(0), "Device status UnKnowError");
    EXPECT_EQ(sim.indicesSent(kDrive), (std::vector<int>{14, 17, 20, 11}));
}

TEST_F(ActionsTest, ShowDeviceStatusTexts)
{
    addCabinet(kDrive);
    openLibrary();
    ctx->CurrentMachine = kDrive;
    ShowDeviceStatus(*ctx, 1);
    EXPECT_EQ(ctx->display.statusText(0), "Device status ERROR");
    ShowDeviceStatus(*ctx, 2);
    EXPECT_EQ(ctx->display.statusText(0), "Device status BUSY");
    ShowDeviceStatus(*ctx, 8);
    EXPECT_EQ(ctx->display.statusText(0), "Device status BUSY");
    EXPECT_TRUE(sim.log().empty());
    ShowDeviceStatus(*ctx, 3);
    EXPECT_EQ(ctx->display.statusText(0), "Device status UnKnowError");
    EXPECT_EQ(sim.indicesSent(kDrive), std::vector<int>{11});
}

TEST_F(ActionsTest, GuardedWrappersTurnFaultsIntoTheirValues)
{
    addCabinet(kDrive);
    openLibrary();
    torvex.failing = {"USBCDGetType", "GetDriveCounter", "USBCDGetDriveCD", "USBCDMovetoDrive",
                      "USBCDEject",   "USBCDchanged",    "USBCDGetStatus"};
    std::string model = "stale";
    EXPECT_EQ(ctx->torvex.USBCDGetType(kDrive, model), 0);
    EXPECT_EQ(model, "");
    int counter = 42;
    EXPECT_EQ(ctx->torvex.GetDriveCounter(kDrive, counter), -1);
    EXPECT_EQ(counter, 42);
    EXPECT_EQ(ctx->torvex.USBCDGetDriveCD(kDrive), 0);
    EXPECT_EQ(ctx->torvex.USBCDMovetoDrive(kDrive, 3), 0);
    EXPECT_EQ(ctx->torvex.USBCDEject(kDrive), 0);
    EXPECT_EQ(ctx->torvex.USBCDchanged(), 0);
    // The others pass a fault on.
    EXPECT_THROW(ctx->torvex.USBCDGetStatus(kDrive), std::runtime_error);

    torvex.failing.clear();
    EXPECT_EQ(ctx->torvex.USBCDGetType(kDrive, model), 0);
    EXPECT_EQ(model, "KZ350VN");
    EXPECT_EQ(ctx->torvex.GetDriveCounter(kDrive, counter), 0);
    EXPECT_EQ(counter, 0);
}

} // namespace
} // namespace kavro::test
