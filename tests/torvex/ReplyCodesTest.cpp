// Reply texts to result codes, end to end: a scripted status reply through USBCDGetStatus.
#include "TorvexFixture.h"

#include "torvex/ReplyCodes.h"

#include <string>
#include <vector>

namespace torvex::test {
namespace {

class ReplyCodes : public TorvexFixture {
protected:
    void SetUp() override
    {
        TorvexFixture::SetUp();
        cabinet = addCabinet(kId);
        ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    }

    int statusFor(const sim::Reply& reply)
    {
        sim.script(cabinet, 17, reply);
        return USBCDGetStatus(kId);
    }

    static constexpr int kId = 0x0A0B0C;
    int cabinet = 0;
};

TEST_F(ReplyCodes, PrefixesMapCaseSensitivelyAndTheRestIsIgnored)
{
    struct Case {
        const char* reply;
        int code;
    };
    const std::vector<Case> cases = {
        {"ACK", USBCD_OK},         {"ACKxyz", USBCD_OK},       {"ack", USBCD_FAIL},
        {"Ack", USBCD_FAIL},       {"AC", USBCD_FAIL},         {"BUSY", USBCD_BUSY},
        {"BUSYNESS", USBCD_BUSY},  {"busy", USBCD_FAIL},       {"+ACK", USBCD_PLUS_ACK},
        {"+ACK!", USBCD_PLUS_ACK}, {"+BUSY", USBCD_PLUS_BUSY}, {"+BUS", USBCD_FAIL},
        {"ERROR1", USBCD_ERROR1},  {"ERROR2", USBCD_ERROR2},   {"ERROR3", USBCD_ERROR3},
        {"ERROR4", USBCD_ERROR4},  {"ERROR5", USBCD_ERROR5},   {"ERROR", USBCD_ERROR5},
        {"ERROR9", USBCD_ERROR5},  {"ERROR0", USBCD_ERROR5},   {"ERRORx", USBCD_ERROR5},
        {"ERROR12", USBCD_ERROR1}, {"error1", USBCD_FAIL},     {"ERRO", USBCD_FAIL},
        {"", USBCD_FAIL},          {" ACK", USBCD_FAIL},       {"NAK", USBCD_FAIL},
        {"+", USBCD_FAIL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusFor(sim::Reply::text(c.reply)), c.code) << '"' << c.reply << '"';
}

TEST_F(ReplyCodes, UnitsAreComparedWholeAndAZeroUnitEndsTheText)
{
    // 'A' + 0x100 is not 'A': the high byte counts.
    EXPECT_EQ(statusFor(sim::Reply::units({'A' + 0x100, 'C', 'K'})), USBCD_FAIL);
    EXPECT_EQ(statusFor(sim::Reply::units({'A', 'C', 0, 'K'})), USBCD_FAIL);
    EXPECT_EQ(statusFor(sim::Reply::units({'E', 'R', 'R', 'O', 'R', '1' + 0x100})), USBCD_ERROR5);
    EXPECT_EQ(statusFor(sim::Reply::units({'E', 'R', 'R', 'O', 'R', 0, '2'})), USBCD_ERROR5);
    EXPECT_EQ(statusFor(sim::Reply::failure()), USBCD_FAIL);
}

TEST_F(ReplyCodes, EachRequestStartsFromAnEmptyBuffer)
{
    // A long reply must not leave its tail behind for a shorter one.
    EXPECT_EQ(statusFor(sim::Reply::text("ERROR2")), USBCD_ERROR2);
    EXPECT_EQ(statusFor(sim::Reply::text("ERROR")), USBCD_ERROR5);
    EXPECT_EQ(statusFor(sim::Reply::text("ACKNOWLEDGED")), USBCD_OK);
    EXPECT_EQ(statusFor(sim::Reply::text("AC")), USBCD_FAIL);
}

TEST(ReplyMapping, CountBoundsTheComparison)
{
    const std::uint16_t ack[] = {'A', 'C', 'K'};
    EXPECT_EQ(mapReply(ack, 3), USBCD_OK);
    EXPECT_EQ(mapReply(ack, 2), USBCD_FAIL);
    const std::uint16_t error[] = {'E', 'R', 'R', 'O', 'R', '3'};
    EXPECT_EQ(mapReply(error, 6), USBCD_ERROR3);
    EXPECT_EQ(mapReply(error, 5), USBCD_ERROR5);
}

} // namespace
} // namespace torvex::test
