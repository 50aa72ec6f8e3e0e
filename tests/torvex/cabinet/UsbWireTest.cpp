// The libusb transport as the library drives it, against the stand-in for libusb: what goes on
// the wire, which devices are opened, and what the exports answer when the wire fails.
#include "FakeLibusb.h"

#include "torvex/CabinetProbe.h"
#include "torvex/DeviceTable.h"
#include "torvex/Transport.h"
#include "torvex/torvex.h"

#include <libusb.h>

#include <gtest/gtest.h>

#include <cstring>

namespace torvex::test {
namespace {

constexpr std::int32_t kId = 0x0A0B0C;
constexpr std::int32_t kOtherId = 0x0D0E0F;

fakeusb::Device cabinetAt(std::uint8_t port, std::int32_t id,
                          std::function<std::vector<unsigned char>(int)> special = {})
{
    fakeusb::Device d;
    d.address = static_cast<std::uint8_t>(10 + port);
    d.ports = {port};
    d.answer = fakeusb::cabinet(id, "KZ350VN", std::move(special));
    return d;
}

fakeusb::Device foreign(std::uint8_t port, std::uint16_t vendor, std::uint16_t product)
{
    fakeusb::Device d;
    d.address = static_cast<std::uint8_t>(10 + port);
    d.ports = {port};
    d.vendorId = vendor;
    d.productId = product;
    return d; // no answer: any request to it stalls
}

class UsbWire : public ::testing::Test {
protected:
    void SetUp() override
    {
        CloseUSBKavro();
        fakeusb::reset();
        setTransport(makeUsbTransport());
    }
    void TearDown() override
    {
        CloseUSBKavro();
        setTransport(nullptr);
        EXPECT_EQ(fakeusb::bus().openHandles, 0) << "a device handle outlived the transport";
        EXPECT_EQ(fakeusb::bus().deviceRefs, 0) << "a device reference was never given back";
        EXPECT_EQ(fakeusb::bus().contexts, 0);
        fakeusb::reset();
    }
    fakeusb::Bus& bus() { return fakeusb::bus(); }
};

TEST_F(UsbWire, EveryRequestIsAStandardStringDescriptorRequestOnEndpointZero)
{
    bus().devices = {cabinetAt(1, kId)};
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(EnumDevice(0), kId);
    EXPECT_EQ(USBCDMoveto(kId, 200), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(kId), USBCD_OK);
    EXPECT_EQ(fakeusb::indicesSent(), (std::vector<int>{10, 9, 12, 200, 17}));
    for (const fakeusb::Transfer& t : bus().transfers) {
        SCOPED_TRACE(t.value & 0xFF);
        EXPECT_EQ(t.requestType, 0x80) << "standard, device to host, to the device";
        EXPECT_EQ(t.request, LIBUSB_REQUEST_GET_DESCRIPTOR);
        EXPECT_EQ(t.value >> 8, LIBUSB_DT_STRING);
        EXPECT_EQ(t.index, 0x0409) << "the LANGID of US English";
        EXPECT_EQ(t.length, 255);
        EXPECT_EQ(t.timeoutMs, 5000u) << "long enough for a cabinet that answers once it has acted";
    }
}

TEST_F(UsbWire, ListingOpensOnlyCabinetsAndNamesThemByPortInBusOrder)
{
    bus().devices = {foreign(1, 0x1D6B, 0x0002), cabinetAt(4, kOtherId), foreign(2, 0x046D, 0xC077),
                     cabinetAt(3, kId), foreign(5, 0x04B4, 0x0001)};
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(GetDeviceNumber(), 2);
    EXPECT_EQ(EnumDevice(0), kId) << "port 3 lists before port 4";
    EXPECT_EQ(EnumDevice(1), kOtherId);
    EXPECT_EQ(state().DeviceTable[0].DevicePath, "usb:1-3");
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    // Two enumerations: each opens the two cabinets once, and nothing else ever.
    EXPECT_EQ(bus().openCalls, (std::vector<int>{3, 1, 3, 1}));
    for (const fakeusb::Transfer& t : bus().transfers)
        EXPECT_TRUE(t.device == 1 || t.device == 3) << "a request went to device " << t.device;
}

// Every way the wire can fail, seen through the status request (and the id at enumeration).
TEST_F(UsbWire, StallsTimeOutsAndMalformedRepliesAnswerFail)
{
    struct Case {
        const char* name;
        std::function<int(unsigned char* data, int length)> reply;
        int status;
    };
    const auto bytes = [](std::vector<unsigned char> b) {
        return [b](unsigned char* data, int length) {
            const int n = std::min<int>(length, static_cast<int>(b.size()));
            if (n > 0)
                std::memcpy(data, b.data(), static_cast<std::size_t>(n));
            return n;
        };
    };
    const std::vector<Case> cases = {
        {"stall", [](unsigned char*, int) { return int(LIBUSB_ERROR_PIPE); }, USBCD_FAIL},
        {"time-out", [](unsigned char*, int) { return int(LIBUSB_ERROR_TIMEOUT); }, USBCD_FAIL},
        {"nothing", bytes({}), USBCD_FAIL},
        {"one byte", bytes({8}), USBCD_FAIL},
        {"not a string descriptor", bytes({8, 1, 'A', 0, 'C', 0, 'K', 0}), USBCD_FAIL},
        {"odd length cuts the last unit", bytes({7, 3, 'A', 0, 'C', 0, 'K'}), USBCD_FAIL},
        {"odd length after a whole reply", bytes({9, 3, 'A', 0, 'C', 0, 'K', 0, '!'}), USBCD_OK},
        {"bLength beyond the bytes sent", bytes({40, 3, 'B', 0, 'U', 0, 'S', 0, 'Y', 0}), USBCD_BUSY},
        {"bLength shorter than sent", bytes({6, 3, 'A', 0, 'C', 0, 'K', 0}), USBCD_FAIL},
        {"+ACK", bytes(fakeusb::stringDescriptor("+ACK")), USBCD_PLUS_ACK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseUSBKavro();
        setTransport(nullptr); // gives back what the last transport held on the old bus
        fakeusb::reset();
        bus().devices = {cabinetAt(1, kId)};
        bus().devices[0].answer = [&c, good = bus().devices[0].answer](int index, unsigned char* data,
                                                                       int length) {
            return index == 17 ? c.reply(data, length) : good(index, data, length);
        };
        setTransport(makeUsbTransport());
        ASSERT_EQ(InitUSBKavro(), USBCD_OK);
        ASSERT_EQ(EnumDevice(0), kId);
        EXPECT_EQ(USBCDGetStatus(kId), c.status);
        // A failed request leaves the handle open: the cabinet answers the next one.
        EXPECT_EQ(USBCDLEDON(kId), USBCD_OK);
    }
}

TEST_F(UsbWire, AFailedIdRequestKeepsTheCabinetAsMinusOne)
{
    bus().devices = {cabinetAt(1, kId)};
    bus().devices[0].answer = [good = bus().devices[0].answer](int index, unsigned char* data, int length) {
        return index == 10 ? int(LIBUSB_ERROR_TIMEOUT) : good(index, data, length);
    };
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(GetDeviceNumber(), 1);
    EXPECT_EQ(EnumDevice(0), -1);
    EXPECT_EQ(USBCDGetStatus(-1), USBCD_OK);
}

TEST_F(UsbWire, AnUnplugBetweenTheCodeAndTheSlotAnswersFailUntilTheNextEnumeration)
{
    bus().devices = {cabinetAt(1, kId), cabinetAt(2, kOtherId)};
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    bus().transfers.clear();
    bus().devices[0].answer = [good = bus().devices[0].answer, this](int index, unsigned char* data,
                                                                     int length) {
        const int n = good(index, data, length);
        if (index == 12)
            bus().devices[0].plugged = false; // pulled right after acknowledging the move
        return n;
    };
    EXPECT_EQ(USBCDMoveto(kId, 5), USBCD_FAIL);
    EXPECT_EQ(fakeusb::indicesSent(), (std::vector<int>{12, 5}));
    EXPECT_EQ(USBCDGetStatus(kId), USBCD_FAIL);
    EXPECT_EQ(GetDeviceNumber(), 2) << "the entry stays until the next enumeration";
    EXPECT_EQ(USBCDGetStatus(kOtherId), USBCD_OK);
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(GetDeviceNumber(), 1);
    EXPECT_EQ(USBCDGetStatus(kId), USBCD_NO_DEVICE);
}

TEST_F(UsbWire, ACabinetThatMayNotBeOpenedIsLeftOutAndReportedWithTheReason)
{
    bus().devices = {cabinetAt(1, kId), cabinetAt(2, kOtherId), cabinetAt(3, 0x111111),
                     foreign(4, 0x046D, 0xC077)};
    bus().devices[1].openError = LIBUSB_ERROR_ACCESS;
    bus().devices[2].openError = LIBUSB_ERROR_IO;
    bus().devices[3].openError = LIBUSB_ERROR_ACCESS; // a mouse the user may not open is no news
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(GetDeviceNumber(), 1);
    EXPECT_EQ(EnumDevice(0), kId);
    EXPECT_EQ(USBCDGetStatus(kOtherId), USBCD_NO_DEVICE);

    const auto check = [](const std::vector<UnopenedCabinet>& unopened) {
        ASSERT_EQ(unopened.size(), 2u);
        EXPECT_EQ(unopened[0].path, "usb:1-2");
        EXPECT_EQ(unopened[0].failure.kind, OpenFailure::Kind::AccessDenied);
        EXPECT_NE(openFailureFix(unopened[0].failure).find("70-kavro-changer.rules"), std::string::npos);
        EXPECT_NE(openFailureFix(unopened[0].failure).find("plugdev"), std::string::npos);
        EXPECT_EQ(unopened[1].path, "usb:1-3");
        EXPECT_EQ(unopened[1].failure.kind, OpenFailure::Kind::Other);
        EXPECT_EQ(openFailureText(unopened[1].failure), "libusb error " + std::to_string(LIBUSB_ERROR_IO));
    };
    check(unopenedCabinets());
    // The probe for tools finds the same through a libusb context of its own, and leaves
    // nothing open.
    const int handlesBefore = bus().openHandles;
    check(probeUnopenedUsbCabinets());
    EXPECT_EQ(bus().openHandles, handlesBefore);

    bus().devices[1].openError = 0;
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(GetDeviceNumber(), 2);
    EXPECT_EQ(unopenedCabinets().size(), 1u);
    CloseUSBKavro();
    EXPECT_TRUE(unopenedCabinets().empty());
}

} // namespace
} // namespace torvex::test
