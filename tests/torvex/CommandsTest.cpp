// The exported machine commands: which requests they send and how the replies come back.
#include "TorvexFixture.h"

#include "torvex/DeviceTable.h"

#include <cstring>
#include <string>
#include <vector>

namespace torvex::test {
namespace {

class Commands : public TorvexFixture {
protected:
    void SetUp() override
    {
        TorvexFixture::SetUp();
        drive = addCabinet(kDriveId, "KZ350VN", 1500);
        noDrive = addCabinet(kNoDriveId, "1234567-150", 1500);
        ASSERT_EQ(InitUSBKavro(), USBCD_OK);
        sim.clearLog();
    }

    static constexpr int kDriveId = 0x0A0B0C;
    static constexpr int kNoDriveId = 0x0D0E0F;
    int drive = 0;
    int noDrive = 0;
};

TEST_F(Commands, EachCommandSendsItsCode)
{
    EXPECT_EQ(USBCDReset(kDriveId), USBCD_OK);
    nowMs += 1500;
    EXPECT_EQ(USBCDGetCDDown(kDriveId), USBCD_OK);
    EXPECT_EQ(USBCDLEDOFF(kDriveId), USBCD_OK);
    EXPECT_FALSE(sim.state(drive).powered);
    EXPECT_EQ(USBCDLEDON(kDriveId), USBCD_OK);
    EXPECT_TRUE(sim.state(drive).powered);
    EXPECT_EQ(USBCDGetStatus(kDriveId), USBCD_OK);
    EXPECT_EQ(ClearDriveCounter(kDriveId), USBCD_OK);
    EXPECT_EQ(USBCDEject(kDriveId), USBCD_OK);
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{11, 14, 16, 15, 17, 22, 20}));
}

TEST_F(Commands, MoveSendsTheSlotOnlyAfterTheFirstCodeIsAcknowledged)
{
    EXPECT_EQ(USBCDMoveto(kDriveId, 7), USBCD_OK);
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{12, 7}));
    EXPECT_EQ(sim.state(drive).doorSlot, 7);
    EXPECT_TRUE(sim.state(drive).busy);
    sim.clearLog();

    // Still moving: the first code answers busy and the slot is never sent.
    EXPECT_EQ(USBCDMoveto(kDriveId, 3), USBCD_BUSY);
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{12}));
    EXPECT_EQ(sim.state(drive).doorSlot, 7);
    sim.clearLog();

    sim.script(drive, 12, sim::Reply::text("+BUSY"));
    EXPECT_EQ(USBCDMoveto(kDriveId, 3), USBCD_PLUS_BUSY);
    sim.script(drive, 12, sim::Reply::failure());
    EXPECT_EQ(USBCDMoveto(kDriveId, 3), USBCD_FAIL);
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{12, 12}));
    sim.clearLog();

    nowMs += 1500;
    EXPECT_EQ(USBCDMoveto(kDriveId, 3), USBCD_OK);
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{12, 3}));
    // The slot's own answer is the result.
    nowMs += 1500;
    EXPECT_EQ(USBCDMoveto(kDriveId, 101), USBCD_ERROR1);
}

TEST_F(Commands, SlotsThatCannotTravelAsAStringIndexAreRefusedBeforeAnyRequest)
{
    for (const int slot : {0, -1, -3, 256, 300, 65536 + 5}) {
        EXPECT_EQ(USBCDMoveto(kDriveId, slot), USBCD_FAIL) << slot;
        EXPECT_EQ(USBCDMovetoDrive(kDriveId, slot), USBCD_FAIL) << slot;
    }
    EXPECT_TRUE(sim.log().empty());
    EXPECT_EQ(sim.state(drive).doorSlot, 0);
    EXPECT_EQ(USBCDMoveto(kDriveId, 255), USBCD_ERROR1); // sent: the cabinet has 100 slots
}

TEST_F(Commands, DriveCommandsAreRefusedWithoutARequestOnAMachineWithoutDrive)
{
    EXPECT_EQ(USBCDMovetoDrive(kNoDriveId, 3), USBCD_FAIL);
    EXPECT_EQ(USBCDEject(kNoDriveId), USBCD_FAIL);
    EXPECT_EQ(USBCDGetDriveCD(kNoDriveId), 0);
    EXPECT_EQ(USBCDGetType(kNoDriveId, nullptr, nullptr), USBCD_FAIL);
    int counter = -7;
    EXPECT_EQ(GetDriveCounter(kNoDriveId, &counter), USBCD_FAIL);
    EXPECT_EQ(counter, -7);
    EXPECT_EQ(ClearDriveCounter(kNoDriveId), USBCD_FAIL);
    EXPECT_TRUE(sim.log().empty());
    // The rest of its commands work.
    EXPECT_EQ(USBCDMoveto(kNoDriveId, 150), USBCD_OK);
    EXPECT_EQ(sim.indicesSent(kNoDriveId), (std::vector<int>{12, 150}));
}

TEST_F(Commands, LoadSendsTheSlotWithoutTheDriveRequirementAndTheDriveReportsIt)
{
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 0);
    EXPECT_EQ(USBCDMovetoDrive(kDriveId, 9), USBCD_OK);
    EXPECT_EQ(sim.state(drive).driveSlot, 9);
    // Busy while loading: the reply "BUSY" reads as 66, the letter B.
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 'B');
    nowMs += 1500;
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 9);
    EXPECT_EQ(USBCDMovetoDrive(kDriveId, 4), USBCD_ERROR3); // drive already holds a disc
    nowMs += 1500;
    EXPECT_EQ(USBCDEject(kDriveId), USBCD_OK);
    nowMs += 1500;
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 0);
    EXPECT_EQ(USBCDMovetoDrive(kDriveId, 50), USBCD_ERROR2); // an empty slot
    // Slot 9 after 19 is a slot, not the model request.
    EXPECT_EQ(sim.indicesSent(), (std::vector<int>{18, 19, 9, 18, 18, 19, 4, 20, 18, 19, 50}));

    // A failed first code is returned as it is.
    sim.script(drive, 19, sim::Reply::text("ERROR4"));
    EXPECT_EQ(USBCDMovetoDrive(kDriveId, 5), USBCD_ERROR4);
    // A reply unit above 255 comes back whole.
    sim.script(drive, 18, sim::Reply::units({0x1234}));
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 0x1234);
    sim.script(drive, 18, sim::Reply::failure());
    EXPECT_EQ(USBCDGetDriveCD(kDriveId), 0);
}

TEST_F(Commands, GetTypeCopiesLowBytesUpToTheFirstZeroUnit)
{
    char text[129];
    std::memset(text, 'x', sizeof text);
    int length = -1;
    ASSERT_EQ(USBCDGetType(kDriveId, text, &length), USBCD_OK);
    EXPECT_STREQ(text, "KZ350VN");
    EXPECT_EQ(length, 7);

    sim.script(drive, 9, sim::Reply::units({'A', 0x142, 'C', 0, 'D'}));
    ASSERT_EQ(USBCDGetType(kDriveId, text, &length), USBCD_OK);
    EXPECT_STREQ(text, "ABC");
    EXPECT_EQ(length, 3);

    // A full reply buffer without a zero unit: 128 characters and the terminator.
    sim.script(drive, 9, sim::Reply::units(std::vector<std::uint16_t>(200, 'M')));
    std::memset(text, 'x', sizeof text);
    ASSERT_EQ(USBCDGetType(kDriveId, text, &length), USBCD_OK);
    EXPECT_EQ(length, 128);
    EXPECT_EQ(text[127], 'M');
    EXPECT_EQ(text[128], '\0');

    sim.script(drive, 9, sim::Reply::failure());
    EXPECT_EQ(USBCDGetType(kDriveId, text, &length), USBCD_FAIL);
}

TEST_F(Commands, UnknownIdAnswersNoDeviceExceptTypeAndDriveSlot)
{
    EXPECT_EQ(USBCDGetStatus(0x123456), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDMoveto(0x123456, 3), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDMovetoDrive(0x123456, 3), USBCD_NO_DEVICE);
    int counter = 0;
    EXPECT_EQ(GetDriveCounter(0x123456, &counter), USBCD_NO_DEVICE);
    char text[129] = {};
    int length = -1;
    EXPECT_EQ(USBCDGetType(0x123456, text, &length), USBCD_FAIL);
    EXPECT_EQ(length, -1);
    EXPECT_EQ(USBCDGetDriveCD(0x123456), 0);
    EXPECT_TRUE(sim.log().empty());
}

TEST_F(Commands, DriveCounterReadsThreeUnitsAndIsClearedByCode22)
{
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(USBCDMovetoDrive(kDriveId, 1 + i), USBCD_OK);
        nowMs += 1500;
        ASSERT_EQ(USBCDEject(kDriveId), USBCD_OK);
        nowMs += 1500;
    }
    int counter = -1;
    ASSERT_EQ(GetDriveCounter(kDriveId, &counter), USBCD_OK);
    EXPECT_EQ(counter, 3);
    sim.script(drive, 21, sim::Reply::units({0x01, 0x02, 0x03}));
    ASSERT_EQ(GetDriveCounter(kDriveId, &counter), USBCD_OK);
    EXPECT_EQ(counter, 66051);
    EXPECT_EQ(ClearDriveCounter(kDriveId), USBCD_OK);
    ASSERT_EQ(GetDriveCounter(kDriveId, &counter), USBCD_OK);
    EXPECT_EQ(counter, 0);
    sim.script(drive, 21, sim::Reply::failure());
    counter = 17;
    EXPECT_EQ(GetDriveCounter(kDriveId, &counter), USBCD_FAIL);
    EXPECT_EQ(counter, 17);
}

TEST_F(Commands, ChangedAnswersZeroUntilAnUnplugThenEightUntilInit)
{
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    sim.unplug(noDrive);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(GetDeviceNumber(), 1);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    // The comparison is with the baseline of InitUSBKavro, not with the previous call: the same
    // machine back in the same place matches it again.
    sim.plug(noDrive);
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 2);
    sim.unplug(noDrive);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    sim.plug(noDrive);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED) << "a machine plugged in after the baseline";
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    // Each call leaves a fresh table: commands still reach the machines.
    EXPECT_EQ(USBCDGetStatus(kNoDriveId), USBCD_OK);
    // A machine added after the baseline is a change too.
    addCabinet(0x111111);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
}

TEST_F(Commands, ChangedSeesAMachineWhoseIdChanged)
{
    sim.script(noDrive, kCodeId, sim::Reply::units({0, 0, 1}));
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(EnumDevice(1), 1);
}

TEST_F(Commands, StatusFollowsTheBusyTimeOfTheSimulatedClock)
{
    ASSERT_EQ(USBCDMoveto(kDriveId, 2), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(kDriveId), USBCD_BUSY);
    nowMs += 1499;
    EXPECT_EQ(USBCDGetStatus(kDriveId), USBCD_BUSY);
    nowMs += 1;
    EXPECT_EQ(USBCDGetStatus(kDriveId), USBCD_OK);
    // The other machine was never busy.
    EXPECT_EQ(USBCDGetStatus(kNoDriveId), USBCD_OK);
}

} // namespace
} // namespace torvex::test
