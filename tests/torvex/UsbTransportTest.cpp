// The pure parts of the USB transport: reply decoding and device paths.
#include "torvex/Transport.h"
#include "torvex/usb/StringDescriptor.h"
#include "torvex/usb/UsbPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

namespace torvex::usb {
namespace {

std::vector<std::uint16_t> decode(const std::vector<std::uint8_t>& bytes, bool* ok = nullptr)
{
    std::vector<std::uint16_t> units(kReplyUnits, 0);
    const bool decoded =
        decodeStringDescriptor(bytes.data(), static_cast<int>(bytes.size()), units.data(), units.size());
    if (ok != nullptr)
        *ok = decoded;
    const auto end = std::find(units.begin(), units.end(), 0);
    return {units.begin(), end};
}

TEST(StringDescriptor, UnitsAreLittleEndianFromByteTwoUpToBLength)
{
    bool ok = false;
    EXPECT_EQ(decode({8, 3, 'A', 0, 'C', 0, 'K', 0}, &ok), (std::vector<std::uint16_t>{'A', 'C', 'K'}));
    EXPECT_TRUE(ok);
    // bLength shorter than what arrived: the rest is not part of the string.
    EXPECT_EQ(decode({6, 3, 'A', 0, 'C', 0, 'K', 0}), (std::vector<std::uint16_t>{'A', 'C'}));
    // Units above 255 keep their high byte.
    EXPECT_EQ(decode({6, 3, 0x01, 0x01, 0xAB, 0x02}), (std::vector<std::uint16_t>{0x0101, 0x02AB}));
    // An odd length leaves the half unit out.
    EXPECT_EQ(decode({5, 3, 'B', 0, 'U'}), (std::vector<std::uint16_t>{'B'}));
    EXPECT_EQ(decode({2, 3}, &ok), std::vector<std::uint16_t>{});
    EXPECT_TRUE(ok) << "an empty string is still an answer";
}

TEST(StringDescriptor, ClaimsBeyondTheReceivedBytesAndOtherDescriptorsAreRejectedOrCut)
{
    bool ok = true;
    // bLength 40 but only 6 bytes arrived: only those are read.
    EXPECT_EQ(decode({40, 3, 'A', 0, 'C', 0}, &ok), (std::vector<std::uint16_t>{'A', 'C'}));
    EXPECT_TRUE(ok);
    decode({8, 1, 'A', 0, 'C', 0, 'K', 0}, &ok);
    EXPECT_FALSE(ok) << "a device descriptor is no string";
    decode({1}, &ok);
    EXPECT_FALSE(ok);
    decode({0, 3}, &ok);
    EXPECT_FALSE(ok);
}

TEST(StringDescriptor, NeverWritesMoreThanItIsGiven)
{
    std::vector<std::uint8_t> bytes(255, 'Z');
    bytes[0] = 255;
    bytes[1] = 3;
    std::array<std::uint16_t, 8> units{};
    units.back() = 0xBEEF;
    ASSERT_TRUE(decodeStringDescriptor(bytes.data(), 255, units.data(), 7));
    EXPECT_EQ(units[6], 'Z' | ('Z' << 8));
    EXPECT_EQ(units.back(), 0xBEEF);
}

TEST(UsbPath, PortChainOrAddress)
{
    EXPECT_EQ(usbPath({1, 7, {2}}), "usb:1-2");
    EXPECT_EQ(usbPath({3, 12, {1, 4, 2}}), "usb:3-1.4.2");
    EXPECT_EQ(usbPath({2, 1, {}}), "usb:2:1");
}

TEST(UsbPath, OrderIsByBusThenPortChainNumerically)
{
    std::vector<UsbLocation> locations = {{2, 1, {1}}, {1, 9, {10}}, {1, 3, {2}}, {1, 4, {2, 1}}, {1, 1, {}}};
    std::sort(locations.begin(), locations.end(), usbLocationLess);
    std::vector<std::string> paths;
    for (const auto& l : locations)
        paths.push_back(usbPath(l));
    EXPECT_EQ(paths, (std::vector<std::string>{"usb:1:1", "usb:1-2", "usb:1-2.1", "usb:1-10", "usb:2-1"}));
}

} // namespace
} // namespace torvex::usb
