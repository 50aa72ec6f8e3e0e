// Finding the machines: the device table, ids, drive support, and what happens to handles.
#include "TorvexFixture.h"

#include "torvex/DeviceTable.h"

#include <string>
#include <vector>

namespace torvex::test {
namespace {

using Enumeration = TorvexFixture;

std::vector<int> enumeratedIds()
{
    std::vector<int> ids;
    for (int i = 0; i < GetDeviceNumber(); ++i)
        ids.push_back(EnumDevice(i));
    return ids;
}

TEST_F(Enumeration, NoMachinePresentIsSuccessAndEveryCommandAnswersNoDevice)
{
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 0);
    EXPECT_EQ(EnumDevice(0), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDReset(1), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDMoveto(1, 5), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDGetCDDown(1), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDLEDON(1), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDLEDOFF(1), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDMovetoDrive(1, 5), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDEject(1), USBCD_NO_DEVICE);
    EXPECT_EQ(ClearDriveCounter(1), USBCD_NO_DEVICE);
    int counter = -7;
    EXPECT_EQ(GetDriveCounter(1, &counter), USBCD_NO_DEVICE);
    EXPECT_EQ(counter, -7);
    EXPECT_EQ(USBCDGetDriveCD(1), 0);
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
}

TEST_F(Enumeration, BeforeInitAndAfterCloseEveryOperationAnswersFail)
{
    const int id = addCabinet(0x010203);
    (void)id;
    const auto checkNotEnumerated = [] {
        EXPECT_EQ(GetDeviceNumber(), 0);
        for (const int index : {-1, 0, 1, 59, 60})
            EXPECT_EQ(EnumDevice(index), USBCD_FAIL) << index;
        EXPECT_EQ(USBCDGetStatus(0x010203), USBCD_FAIL);
        EXPECT_EQ(USBCDMoveto(0x010203, 5), USBCD_FAIL);
        EXPECT_EQ(USBCDEject(0x010203), USBCD_FAIL);
        char text[129] = "unchanged";
        EXPECT_EQ(USBCDGetType(0x010203, text, nullptr), USBCD_FAIL);
        EXPECT_STREQ(text, "unchanged");
        EXPECT_EQ(USBCDGetDriveCD(0x010203), 0);
    };
    checkNotEnumerated();
    EXPECT_TRUE(sim.log().empty());

    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 1);
    EXPECT_EQ(CloseUSBKavro(), USBCD_OK);
    sim.clearLog();
    checkNotEnumerated();
    EXPECT_TRUE(sim.log().empty()) << "a closed library sent a request";
}

TEST_F(Enumeration, EnumDeviceOutOfRangeAnswersNoDevice)
{
    addCabinet(0x0A0B0C);
    addCabinet(0x0D0E0F);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(EnumDevice(-1), USBCD_NO_DEVICE);
    EXPECT_EQ(EnumDevice(2), USBCD_NO_DEVICE);
    EXPECT_EQ(EnumDevice(1000), USBCD_NO_DEVICE);
    EXPECT_EQ(enumeratedIds(), (std::vector<int>{0x0A0B0C, 0x0D0E0F}));
}

TEST_F(Enumeration, IdIsTheThreeUnitsHighFirstWithoutMasking)
{
    const int a = addCabinet(0x010203);
    const int b = addCabinet(0x777777);
    // Units above 255 keep their high bits: 0x100 * 65536 + 0x1FF * 256 + 0x2AB.
    sim.script(b, kCodeId, sim::Reply::units({0x100, 0x1FF, 0x2AB}));
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(EnumDevice(0), 66051);
    EXPECT_EQ(EnumDevice(1), 0x100 * 65536 + 0x1FF * 256 + 0x2AB);
    EXPECT_EQ(USBCDGetStatus(66051), USBCD_OK);
    EXPECT_EQ(sim.state(a).plugged, true);
    // The largest units wrap like 32-bit arithmetic instead of overflowing.
    sim.script(b, kCodeId, sim::Reply::units({0xFFFF, 0xFFFF, 0xFFFF}));
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(static_cast<unsigned>(EnumDevice(1)), 0xFFFFu * 65536u + 0xFFFFu * 256u + 0xFFFFu);
}

TEST_F(Enumeration, DriveSupportComesFromTheFirstSevenUnitsOfTheModel)
{
    struct Case {
        const char* model;
        bool drive;
    };
    const std::vector<Case> cases = {
        {"1234567", false}, {"1234567x", false}, {"1234567-150", false}, {"123456", true}, {"1234568", true},
        {"KZ350VN", true},  {"", true},          {" 1234567", true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        addCabinet(static_cast<std::int32_t>(0x100 + i), cases[i].model);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const int id = static_cast<int>(0x100 + i);
        char text[129] = {};
        int length = -1;
        const int result = USBCDGetType(id, text, &length);
        if (cases[i].drive) {
            EXPECT_EQ(result, USBCD_OK) << cases[i].model;
            EXPECT_STREQ(text, cases[i].model);
            EXPECT_EQ(length, static_cast<int>(std::string(cases[i].model).size()));
        } else {
            EXPECT_EQ(result, USBCD_FAIL) << cases[i].model;
            EXPECT_EQ(length, -1);
        }
    }
}

TEST_F(Enumeration, DuplicateIdsReachOnlyTheFirstMachine)
{
    const int first = addCabinet(0x0A0B0C);
    const int second = addCabinet(0x0A0B0C);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 2);
    EXPECT_EQ(enumeratedIds(), (std::vector<int>{0x0A0B0C, 0x0A0B0C}));
    sim.clearLog();
    EXPECT_EQ(USBCDMoveto(0x0A0B0C, 4), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(0x0A0B0C), USBCD_OK);
    for (const sim::Request& r : sim.log())
        EXPECT_EQ(r.cabinet, first);
    EXPECT_EQ(sim.state(first).doorSlot, 4);
    EXPECT_EQ(sim.state(second).doorSlot, 0);
}

TEST_F(Enumeration, TheTableHoldsSixtyMachinesAndIgnoresTheSixtyFirst)
{
    for (int i = 0; i < 61; ++i)
        addCabinet(1000 + i);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 60);
    EXPECT_EQ(EnumDevice(59), 1059);
    EXPECT_EQ(EnumDevice(60), USBCD_NO_DEVICE);
    EXPECT_EQ(USBCDGetStatus(1059), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(1060), USBCD_NO_DEVICE);
    EXPECT_TRUE(sim.indicesSent(1060).empty()) << "the 61st machine was spoken to";
    EXPECT_EQ(faults->openHandles, 60);
    // The change baseline has room for 60 too: the same 61 devices count as unchanged.
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
}

TEST_F(Enumeration, UnopenableAndForeignDevicesAreSkippedInOrder)
{
    addCabinet(0x000001);
    const int foreign = sim.addCabinet({.id = 0x000002, .vendorId = 0x046D, .productId = 0xC077});
    const int otherProduct = sim.addCabinet({.id = 0x000003, .productId = 0x5A9C});
    addCabinet(0x000004);
    addCabinet(0x000005);
    addCabinet(0x000006);
    faults->failOpen = {"sim:3"};
    faults->failAttributes = {"sim:4"};
    faults->extraPaths = {"gone:1"};
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(enumeratedIds(), (std::vector<int>{0x000001, 0x000006}));
    EXPECT_EQ(faults->openHandles, 2) << "a skipped device kept its handle";
    EXPECT_TRUE(sim.indicesSent(0x000002).empty());
    EXPECT_TRUE(sim.indicesSent(0x000003).empty());
    EXPECT_EQ(USBCDGetStatus(0x000005), USBCD_NO_DEVICE);
    (void)foreign;
    (void)otherProduct;
}

TEST_F(Enumeration, FailedIdRequestLeavesTheMachineInTheTableAsMinusOne)
{
    addCabinet(0x000001);
    addCabinet(0x000002);
    faults->failRequest = [](const std::string& path, int index) {
        return path == "sim:0" && index == kCodeId;
    };
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(enumeratedIds(), (std::vector<int>{-1, 0x000002}));
    // Its model was still asked for, and -1 reaches it.
    EXPECT_EQ(USBCDGetStatus(-1), USBCD_OK);
    EXPECT_EQ(sim.indicesSent(0x000001), (std::vector<int>{kCodeModel, kCodeStatus}));
}

TEST_F(Enumeration, FailedModelRequestRefusesOnlyTheDriveCommands)
{
    addCabinet(0x000001);
    faults->failRequest = [](const std::string&, int index) { return index == kCodeModel; };
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    faults->failRequest = nullptr;
    sim.clearLog();
    EXPECT_EQ(USBCDGetType(1, nullptr, nullptr), USBCD_FAIL);
    EXPECT_EQ(USBCDGetDriveCD(1), 0);
    EXPECT_EQ(USBCDMovetoDrive(1, 3), USBCD_FAIL);
    EXPECT_EQ(USBCDEject(1), USBCD_FAIL);
    int counter = -7;
    EXPECT_EQ(GetDriveCounter(1, &counter), USBCD_FAIL);
    EXPECT_EQ(counter, -7);
    EXPECT_EQ(ClearDriveCounter(1), USBCD_FAIL);
    EXPECT_TRUE(sim.log().empty()) << "a drive command reached a machine without known drive support";
    EXPECT_EQ(USBCDGetStatus(1), USBCD_OK);
    EXPECT_EQ(USBCDMoveto(1, 3), USBCD_OK);
}

TEST_F(Enumeration, UnobtainableDeviceListLeavesTheLibraryNotEnumerated)
{
    addCabinet(0x000001);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    faults->failList = true;
    EXPECT_EQ(InitUSBKavro(), USBCD_FAIL);
    EXPECT_EQ(GetDeviceNumber(), 0);
    EXPECT_EQ(EnumDevice(0), USBCD_FAIL);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_FAIL);
    EXPECT_EQ(faults->openHandles, 0);
    EXPECT_EQ(USBCDchanged(), USBCD_FAIL);
    // A list error number of 0 still counts as a failure.
    faults->listError = 0;
    EXPECT_EQ(InitUSBKavro(), USBCD_FAIL);
    faults->failList = false;
    EXPECT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(GetDeviceNumber(), 1);
}

TEST_F(Enumeration, EveryEnumerationClosesTheHandlesOfTheLastOne)
{
    addCabinet(0x000001);
    addCabinet(0x000002);
    sim.addCabinet({.id = 0x000009, .vendorId = 0x1234});
    addCabinet(0x000003);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(faults->openHandles, 3);
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(InitUSBKavro(), USBCD_OK);
        EXPECT_EQ(USBCDchanged(), USBCD_OK);
        EXPECT_EQ(faults->openHandles, 3) << "round " << round;
    }
    EXPECT_EQ(sim.openHandles(), 3);
    EXPECT_EQ(CloseUSBKavro(), USBCD_OK);
    EXPECT_EQ(faults->openHandles, 0);
    EXPECT_EQ(CloseUSBKavro(), USBCD_OK);
    EXPECT_EQ(faults->badCloses, 0);
    EXPECT_EQ(faults->opens, faults->closes);
}

TEST_F(Enumeration, UnpluggedMachineKeepsItsEntryAndAnswersFailUntilTheNextEnumeration)
{
    const int a = addCabinet(0x000001);
    addCabinet(0x000002);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    sim.unplug(a);
    EXPECT_EQ(GetDeviceNumber(), 2);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_FAIL);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_FAIL);
    EXPECT_EQ(USBCDGetStatus(2), USBCD_OK);
    EXPECT_EQ(faults->openHandles, 2) << "a failed request closed its handle";
    // Plugged in again it is a new device: the old handle stays dead until re-enumeration.
    sim.plug(a);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_FAIL);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(1), USBCD_OK);
}

TEST_F(Enumeration, SwitchingTransportsClosesHandlesWhereTheyWereOpened)
{
    addCabinet(0x000001);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(faults->openHandles, 1);
    auto other = std::make_shared<FaultControl>();
    sim::Simulator second;
    second.addCabinet({.id = 0x000002});
    setTransport(std::make_unique<FaultTransport>(second.makeTransport(), other));
    EXPECT_EQ(faults->openHandles, 0);
    EXPECT_EQ(other->badCloses, 0);
    EXPECT_EQ(GetDeviceNumber(), 0);
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    EXPECT_EQ(EnumDevice(0), 2);
    setTransport(std::make_unique<FaultTransport>(sim.makeTransport(), faults));
    EXPECT_EQ(other->openHandles, 0);
}

} // namespace
} // namespace torvex::test
