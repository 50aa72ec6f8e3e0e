// Simulated cabinets take the time real ones take, and while they move they answer every
// request as a moving cabinet does. The clock is the test's own.
#include "torvex/DeviceTable.h"
#include "torvex/sim/SimFile.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace torvex::test {
namespace {

constexpr std::int32_t kId = 0x0A0B0C;

class SimTiming : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.setTimeSource([this] { return nowMs; });
        CloseUSBKavro();
    }
    void TearDown() override
    {
        CloseUSBKavro();
        setTransport(nullptr);
    }
    void open(sim::CabinetSpec spec)
    {
        spec.id = kId;
        spec.filled = {1, 2, 3};
        sim.addCabinet(spec);
        sim.install();
        ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    }
    // Milliseconds from now until the status request answers ready again.
    std::int64_t busyFor()
    {
        const std::int64_t start = nowMs;
        while (USBCDGetStatus(kId) == USBCD_BUSY && nowMs - start < 60'000)
            nowMs += 100;
        return nowMs - start;
    }

    sim::Simulator sim;
    std::int64_t nowMs = 5'000;
};

TEST_F(SimTiming, EachMovementTakesItsRealTime)
{
    open(sim::CabinetSpec::realTiming());
    const sim::Timing timing;
    struct Step {
        const char* name;
        std::function<int()> start;
        int ms;
    };
    const std::vector<Step> steps = {
        {"reset", [] { return USBCDReset(kId); }, timing.resetMs},
        {"slot to the door", [] { return USBCDMoveto(kId, 2); }, timing.doorMs},
        {"arm's disc down", [] { return USBCDGetCDDown(kId); }, timing.armDownMs},
        {"down with nothing at the door", [] { return USBCDGetCDDown(kId); }, 0},
        {"load", [] { return USBCDMovetoDrive(kId, 3); }, timing.loadMs},
        {"return from the drive", [] { return USBCDEject(kId); }, timing.returnMs},
        {"power off", [] { return USBCDLEDOFF(kId); }, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_EQ(step.start(), USBCD_OK);
        EXPECT_EQ(busyFor(), (step.ms + 99) / 100 * 100);
    }
    EXPECT_GE(timing.loadMs, 6000) << "a load takes seconds";
    EXPECT_LE(timing.armDownMs, 1500) << "the program waits 1.5 s between 14 and a move";
}

TEST_F(SimTiming, AMovingCabinetAnswersBusyToIdModelAndDriveQuestions)
{
    open(sim::CabinetSpec::realTiming());
    ASSERT_EQ(USBCDMovetoDrive(kId, 2), USBCD_OK);
    EXPECT_EQ(USBCDGetDriveCD(kId), 'B') << "the first unit of BUSY, which callers take for busy";
    char model[129] = {};
    EXPECT_EQ(USBCDGetType(kId, model, nullptr), USBCD_OK);
    EXPECT_STREQ(model, "BUSY");
    int counter = -5;
    EXPECT_EQ(GetDriveCounter(kId, &counter), USBCD_OK);
    EXPECT_EQ(counter, 'B' * 65536 + 'U' * 256 + 'S');
    EXPECT_EQ(USBCDMoveto(kId, 1), USBCD_BUSY);
    // Enumerating now reads BUSY as the id, as with a real cabinet.
    EXPECT_EQ(USBCDchanged(), USBCD_CHANGED);
    EXPECT_EQ(EnumDevice(0), 'B' * 65536 + 'U' * 256 + 'S');
    // The load is complete only after its time.
    nowMs += sim::Timing{}.loadMs - 1;
    EXPECT_EQ(USBCDGetStatus('B' * 65536 + 'U' * 256 + 'S'), USBCD_BUSY);
    nowMs += 1;
    EXPECT_EQ(USBCDchanged(), USBCD_OK);
    EXPECT_EQ(EnumDevice(0), kId);
    EXPECT_EQ(USBCDGetDriveCD(kId), 2);
}

TEST_F(SimTiming, ADefaultSpecMovesInNoTime)
{
    open({});
    ASSERT_EQ(USBCDMovetoDrive(kId, 2), USBCD_OK);
    EXPECT_EQ(USBCDGetStatus(kId), USBCD_OK);
    EXPECT_EQ(USBCDGetDriveCD(kId), 2);
}

TEST(SimFileTiming, FilesMoveAtRealSpeedUnlessTheySayOtherwise)
{
    struct Case {
        const char* keys;
        std::map<int, int> byCode;
        int busyMs;
    };
    const std::map<int, int> real = sim::Timing{}.byCode();
    std::map<int, int> fastLoad = real;
    fastLoad[19] = 100;
    const std::vector<Case> cases = {
        {"", real, 0},
        {"load-ms = 100\n", fastLoad, 0},
        {"busy.19 = 100\n", fastLoad, 0},
        {"busy = 0\n", {}, 0},
        {"busy = 700\ndoor-ms = 50\n", {{12, 50}}, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        std::int64_t now = 0;
        sim::Simulator s;
        s.setTimeSource([&] { return now; });
        std::string message;
        ASSERT_TRUE(sim::parseSimText(std::string("[cabinet]\nid = 1\nfilled = 1-3\n") + c.keys, s, message))
            << message;
        // Each code's time, measured through the wire.
        auto transport = s.makeTransport();
        std::vector<std::string> paths;
        int error = 0;
        ASSERT_TRUE(transport->listDevices(paths, error));
        const Handle h = transport->open(paths.at(0));
        std::uint16_t units[kReplyUnits] = {};
        const auto ask = [&](int index) {
            std::fill(std::begin(units), std::end(units), 0);
            transport->indexedString(h, index, units);
            return units[0];
        };
        const auto measure = [&](std::initializer_list<int> request) {
            for (const int index : request)
                ask(index);
            const std::int64_t start = now;
            while (ask(17) == 'B')
                now += 10;
            return static_cast<int>(now - start);
        };
        const auto expected = [&](int code) {
            const auto it = c.byCode.find(code);
            return it != c.byCode.end() ? it->second : c.busyMs;
        };
        EXPECT_EQ(measure({12, 2}), expected(12));
        EXPECT_EQ(measure({14}), expected(14));
        EXPECT_EQ(measure({19, 3}), expected(19));
        EXPECT_EQ(measure({20}), expected(20));
        EXPECT_EQ(measure({11}), expected(11));
        transport->close(h);
    }
    sim::Simulator s;
    std::string message;
    EXPECT_FALSE(sim::parseSimText("[cabinet]\nid = 1\nload-ms = 1\nbusy.19 = 2\n", s, message));
    EXPECT_NE(message.find("line 4"), std::string::npos) << message;
}

TEST(SimFileTiming, TheDemoCabinetsMoveAtRealSpeed)
{
    const char* source = std::getenv("KAVRO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest, which sets KAVRO_SOURCE_DIR";
    std::int64_t now = 0;
    sim::Simulator s;
    s.setTimeSource([&] { return now; });
    std::string message;
    int error = 0;
    ASSERT_TRUE(sim::readSimFile(std::string(source) + "/torvex/sim/demo-cabinets.sim", s, message, error))
        << message;
    s.install();
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(USBCDMovetoDrive(0x0A0B0C, 5), USBCD_OK);
    now += sim::Timing{}.loadMs - 1;
    EXPECT_EQ(USBCDGetStatus(0x0A0B0C), USBCD_BUSY);
    now += 1;
    EXPECT_EQ(USBCDGetStatus(0x0A0B0C), USBCD_OK);
    CloseUSBKavro();
    setTransport(nullptr);
}

} // namespace
} // namespace torvex::test
