// The simulated cabinets and their description files.
#include "TorvexFixture.h"

#include "support/TempDir.h"
#include "torvex/sim/SimFile.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace torvex::test {
namespace {

// Talks to one cabinet straight through a transport, as the library would.
class Wire {
public:
    explicit Wire(const sim::Simulator& sim) : m_transport(sim.makeTransport())
    {
        std::vector<std::string> paths;
        int error = 0;
        EXPECT_TRUE(m_transport->listDevices(paths, error));
        if (!paths.empty())
            m_handle = m_transport->open(paths.front());
    }
    ~Wire() { m_transport->close(m_handle); }

    // The reply as text, "<fail>" for a failed request.
    std::string ask(int index)
    {
        std::uint16_t units[kReplyUnits] = {};
        if (!m_transport->indexedString(m_handle, index, units))
            return "<fail>";
        std::string text;
        for (std::size_t i = 0; i < kReplyUnits && units[i] != 0; ++i)
            text += units[i] < 128 ? static_cast<char>(units[i]) : '?';
        return text;
    }
    std::vector<std::uint16_t> units(int index)
    {
        std::vector<std::uint16_t> units(kReplyUnits);
        EXPECT_TRUE(m_transport->indexedString(m_handle, index, units.data()));
        return units;
    }

private:
    std::unique_ptr<Transport> m_transport;
    Handle m_handle = kInvalidHandle;
};

class Cabinets : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim.setTimeSource([this] { return nowMs; });
    }
    sim::Simulator sim;
    std::int64_t nowMs = 0;
};

TEST_F(Cabinets, ASlotWithoutTwelveOrNineteenBeforeItAnswersError)
{
    sim.addCabinet({.id = 1, .filled = {5}});
    Wire wire(sim);
    EXPECT_EQ(wire.ask(5), "ERROR");
    EXPECT_EQ(wire.ask(13), "ERROR");
    EXPECT_EQ(wire.ask(12), "ACK");
    EXPECT_EQ(wire.ask(5), "ACK");
    EXPECT_EQ(wire.ask(5), "ERROR") << "one 12 is good for one slot";
    // After 12 even a command code is a slot number.
    EXPECT_EQ(wire.ask(12), "ACK");
    EXPECT_EQ(wire.ask(17), "ACK");
    EXPECT_EQ(sim.state(0).doorSlot, 17);
}

TEST_F(Cabinets, MovingTakesTheBusyTimeOfItsCode)
{
    sim.addCabinet({.id = 1, .filled = {1, 2}, .busyMs = 1000, .busyMsByCode = {{19, 4000}}});
    Wire wire(sim);
    EXPECT_EQ(wire.ask(12), "ACK");
    EXPECT_EQ(wire.ask(2), "ACK");
    EXPECT_EQ(sim.state(0).doorSlot, 2);
    EXPECT_EQ(sim.state(0).armSlot, 2);
    EXPECT_EQ(wire.ask(17), "BUSY");
    EXPECT_EQ(wire.ask(14), "BUSY");
    // Only the language list, which the USB side answers, does not wait for the mechanism.
    EXPECT_EQ(wire.ask(10), "BUSY");
    EXPECT_EQ(wire.ask(9), "BUSY");
    EXPECT_EQ(wire.units(0)[0], 0x0409);
    nowMs += 1000;
    EXPECT_EQ(wire.ask(17), "ACK");
    EXPECT_EQ(wire.ask(14), "ACK");
    EXPECT_EQ(sim.state(0).doorSlot, 0);
    nowMs += 1000;
    EXPECT_EQ(wire.ask(19), "ACK");
    EXPECT_EQ(wire.ask(1), "ACK");
    nowMs += 3999;
    EXPECT_EQ(wire.ask(17), "BUSY");
    nowMs += 1;
    EXPECT_EQ(wire.ask(17), "ACK");
    EXPECT_EQ(sim.state(0).driveSlot, 1);
    EXPECT_EQ(sim.state(0).counter, 1);
}

TEST_F(Cabinets, LoadingChecksTheSlotTheDiscAndTheDrive)
{
    sim.addCabinet({.id = 1, .slots = 150, .filled = {1, 150}});
    Wire wire(sim);
    const auto load = [&](int slot) {
        wire.ask(19);
        return wire.ask(slot);
    };
    EXPECT_EQ(load(151), "ERROR1");
    EXPECT_EQ(load(2), "ERROR2");
    EXPECT_EQ(load(150), "ACK");
    EXPECT_EQ(wire.units(18)[0], 150);
    EXPECT_EQ(load(1), "ERROR3");
    EXPECT_EQ(wire.ask(20), "ACK");
    EXPECT_EQ(wire.units(18)[0], 0);
    EXPECT_EQ(load(1), "ACK");
}

TEST_F(Cabinets, ACabinetWithoutDriveRefusesTheDriveCodes)
{
    sim.addCabinet({.id = 1, .model = "1234567", .slots = 150, .filled = {1}});
    Wire wire(sim);
    for (const int code : {18, 19, 20, 21, 22})
        EXPECT_EQ(wire.ask(code), "ERROR") << code;
    EXPECT_EQ(wire.ask(9), "1234567");
}

TEST_F(Cabinets, CounterAndIdTravelAsThreeUnitsHighFirst)
{
    sim.addCabinet({.id = 0x0A0B0C, .counter = 0x123456});
    Wire wire(sim);
    const auto id = wire.units(10);
    EXPECT_EQ((std::vector<std::uint16_t>(id.begin(), id.begin() + 4)),
              (std::vector<std::uint16_t>{10, 11, 12, 0}));
    const auto counter = wire.units(21);
    EXPECT_EQ((std::vector<std::uint16_t>(counter.begin(), counter.begin() + 3)),
              (std::vector<std::uint16_t>{0x12, 0x34, 0x56}));
    EXPECT_EQ(wire.ask(22), "ACK");
    EXPECT_EQ(sim.state(0).counter, 0);
}

TEST_F(Cabinets, ScriptedRepliesComeFirstInOrderAndLeaveTheStateAlone)
{
    sim.addCabinet({.id = 1});
    sim.script(0, 17, sim::Reply::text("+BUSY"));
    sim.script(0, 17, sim::Reply::failure());
    sim.script(0, 12, sim::Reply::text("ERROR3"));
    Wire wire(sim);
    EXPECT_EQ(wire.ask(17), "+BUSY");
    EXPECT_EQ(wire.ask(17), "<fail>");
    EXPECT_EQ(wire.ask(17), "ACK");
    EXPECT_EQ(wire.ask(12), "ERROR3");
    EXPECT_EQ(wire.ask(3), "ERROR") << "a scripted 12 does not wait for a slot";
}

TEST_F(Cabinets, PlugEventsByTimeAndByListing)
{
    sim.addCabinet({.id = 1});
    sim.addCabinet({.id = 2, .plugged = false});
    sim.schedule(0, {sim::PlugEvent::Trigger::AfterListings, 2, false});
    sim.schedule(1, {sim::PlugEvent::Trigger::AtMs, 500, true});
    auto transport = sim.makeTransport();
    std::vector<std::string> paths;
    int error = 0;
    ASSERT_TRUE(transport->listDevices(paths, error));
    EXPECT_EQ(paths, (std::vector<std::string>{"sim:0"}));
    // Opening between listings does not count as one.
    const Handle handle = transport->open("sim:0");
    EXPECT_NE(handle, kInvalidHandle);
    nowMs = 500;
    ASSERT_TRUE(transport->listDevices(paths, error));
    EXPECT_EQ(paths, (std::vector<std::string>{"sim:0", "sim:1"}));
    ASSERT_TRUE(transport->listDevices(paths, error));
    EXPECT_EQ(paths, (std::vector<std::string>{"sim:1"}));
    std::uint16_t units[kReplyUnits] = {};
    EXPECT_FALSE(transport->indexedString(handle, 17, units)) << "a gone cabinet answered";
    transport->close(handle);
    EXPECT_EQ(sim.openHandles(), 0);
    EXPECT_EQ(sim.listings(), 3);
}

TEST_F(Cabinets, ListErrorFailsTheListing)
{
    sim.addCabinet({.id = 1});
    sim.setListError(EACCES);
    auto transport = sim.makeTransport();
    std::vector<std::string> paths{"stale"};
    int error = 0;
    EXPECT_FALSE(transport->listDevices(paths, error));
    EXPECT_EQ(error, EACCES);
    EXPECT_TRUE(paths.empty());
}

TEST(SimFile, ReadsCabinetsWithEveryKey)
{
    sim::Simulator sim;
    std::int64_t now = 100;
    sim.setTimeSource([&] { return now; });
    std::string message;
    const char* text = "# comment\r\n"
                       "; another\n"
                       "[cabinet one]\n"
                       "id = 0x0A0B0C      # comment\n"
                       "model = KZ350VN#1\n"
                       "slots = 100\n"
                       "filled = 1-3, 7 9-10\n"
                       "busy = 1500\n"
                       "busy.19 = 4000\n"
                       "counter = 42\n"
                       "reply = 17 +BUSY\n"
                       "reply = 17 <fail>   # a failed request\n"
                       "unplug-after = 2000\n"
                       "\n"
                       "[Cabinet]\n"
                       "ID = 66051\n"
                       "model = 1234567 with spaces\n"
                       "slots = 150\n"
                       "filled = all\n"
                       "plugged = no\n"
                       "plug-after-listings = 1\n"
                       "vendor = 0x04B4\n"
                       "product = 23195\n";
    ASSERT_TRUE(sim::parseSimText(text, sim, message)) << message;
    ASSERT_EQ(sim.cabinetCount(), 2);
    EXPECT_EQ(sim.state(0).filled, (std::vector<int>{1, 2, 3, 7, 9, 10}));
    EXPECT_EQ(sim.state(0).counter, 42);
    EXPECT_EQ(sim.state(1).filled.size(), 150u);
    EXPECT_FALSE(sim.state(1).plugged);

    sim.setListError(0);
    Wire wire(sim);
    EXPECT_EQ(wire.ask(17), "+BUSY");
    EXPECT_EQ(wire.ask(17), "<fail>");
    EXPECT_EQ(wire.ask(9), "KZ350VN#1");
    EXPECT_EQ(wire.ask(12), "ACK");
    EXPECT_EQ(wire.ask(2), "ACK");
    now += 1499;
    EXPECT_EQ(wire.ask(17), "BUSY");
    now += 1;
    EXPECT_EQ(wire.ask(17), "ACK");
    // The second cabinet comes with the second listing; the first leaves 2000 ms after loading.
    auto transport = sim.makeTransport();
    std::vector<std::string> paths;
    int error = 0;
    ASSERT_TRUE(transport->listDevices(paths, error));
    EXPECT_EQ(paths, (std::vector<std::string>{"sim:0", "sim:1"}));
    now = 2100;
    ASSERT_TRUE(transport->listDevices(paths, error));
    EXPECT_EQ(paths, (std::vector<std::string>{"sim:1"}));
}

TEST(SimFile, FaultsNameTheirLineAndAddNothing)
{
    struct Case {
        const char* text;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"id = 1\n", "line 1: 'id' comes before the first [cabinet]"},
        {"[cabinet]\nmodel = X\n", "line 1: a [cabinet] needs an id"},
        {"[cabinet]\nid = 0x1000000\n", "line 2: bad id '0x1000000': a number from 0 to 0xFFFFFF"},
        {"[cabinet]\nid = -1\n", "line 2: bad id '-1'"},
        {"[cabinet]\nid = 1\nid = 2\n", "line 3: 'id' given twice"},
        {"[cabinet]\nid = 1\nslots = 0\n", "line 3: bad slots '0'"},
        {"[cabinet]\nid = 1\nslots = 256\n", "line 3: bad slots '256'"},
        {"[cabinet]\nid = 1\nslots = 100\nfilled = 1-101\n", "line 4: bad filled slot '1-101'"},
        {"[cabinet]\nid = 1\nfilled = 0\n", "line 3: bad filled slot '0'"},
        {"[cabinet]\nid = 1\nfilled = 5-3\n", "line 3: bad filled slot '5-3'"},
        {"[cabinet]\nid = 1\nfilled = x\n", "line 3: bad filled slot 'x'"},
        {"[cabinet]\nid = 1\ncolour = red\n", "line 3: unknown key 'colour'"},
        {"[cabinet]\nid = 1\nreply = BUSY\n", "line 3: bad reply 'BUSY'"},
        {"[cabinet]\nid = 1\nbusy.x = 4\n", "line 3: bad key 'busy.x'"},
        {"[cabinet]\nid = 1\nplugged = maybe\n", "line 3: bad plugged 'maybe'"},
        {"[cabinet]\nid = 1\njust text\n", "line 3: expected key = value"},
        {"[drive]\n", "line 1: unknown section [drive]"},
        {"[cabinet\n", "line 1: a section header ends with ']'"},
        {"[cabinet]\nid = 1\nvendor = 0x10000\n", "line 3: bad vendor"},
        {"[cabinet]\nid = 1\n[cabinet]\nslots = 4\n", "line 3: a [cabinet] needs an id"},
    };
    for (const Case& c : cases) {
        sim::Simulator sim;
        std::string message;
        EXPECT_FALSE(sim::parseSimText(c.text, sim, message)) << c.text;
        EXPECT_EQ(message.rfind(c.message, 0), 0u) << c.text << " gave: " << message;
        EXPECT_EQ(sim.cabinetCount(), 0) << c.text;
    }
    std::string message;
    sim::Simulator sim;
    EXPECT_FALSE(
        sim::parseSimText("[cabinet]\nid = 1\nmodel = " + std::string(127, 'M') + "\n", sim, message));
    EXPECT_TRUE(sim::parseSimText("", sim, message)) << "an empty bus is a bus";
}

TEST(SimFile, TheDemoFileHasTwoCabinets)
{
    const char* source = std::getenv("KAVRO_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "run through ctest, which sets KAVRO_SOURCE_DIR";
    sim::Simulator sim;
    std::string message;
    int error = 0;
    ASSERT_TRUE(sim::readSimFile(std::string(source) + "/torvex/sim/demo-cabinets.sim", sim, message, error))
        << message;
    ASSERT_EQ(sim.cabinetCount(), 2);
}

// TORVEX_SIMULATOR files reach the library through makeSimulatorFromFile.
class SimulatorFile : public ::testing::Test {
protected:
    void TearDown() override
    {
        CloseUSBKavro();
        setTransport(nullptr);
    }
    kavro::test::TempDir dir;
};

TEST_F(SimulatorFile, AGoodFileGivesItsCabinetsToTheLibrary)
{
    const auto file = dir.write("two.sim", "[cabinet]\nid = 0x0A0B0C\nslots = 100\n"
                                           "[cabinet]\nid = 0x0D0E0F\nmodel = 1234567\nslots = 150\n");
    setTransport(makeSimulatorFromFile(file.string()));
    ASSERT_EQ(InitUSBKavro(), USBCD_OK);
    ASSERT_EQ(GetDeviceNumber(), 2);
    EXPECT_EQ(EnumDevice(0), 0x0A0B0C);
    EXPECT_EQ(EnumDevice(1), 0x0D0E0F);
    char model[129] = {};
    EXPECT_EQ(USBCDGetType(0x0A0B0C, model, nullptr), USBCD_OK);
    EXPECT_STREQ(model, "KZ350VN");
    EXPECT_EQ(USBCDGetType(0x0D0E0F, model, nullptr), USBCD_FAIL);
}

TEST_F(SimulatorFile, AFileThatCannotBeUsedMakesInitFail)
{
    const auto bad = dir.write("bad.sim", "[cabinet]\nid = 1\nslots = many\n");
    for (const std::string& path : {bad.string(), (dir / "missing.sim").string(), dir.path().string()}) {
        setTransport(makeSimulatorFromFile(path));
        EXPECT_EQ(InitUSBKavro(), USBCD_FAIL) << path;
        EXPECT_EQ(GetDeviceNumber(), 0) << path;
        EXPECT_EQ(USBCDchanged(), USBCD_FAIL) << path;
    }
}

} // namespace
} // namespace torvex::test
