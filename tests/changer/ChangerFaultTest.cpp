#include "ChangerFixture.h"

#include "catalogue/records/DiscRecords.h"
#include "changer/ChangerActions.h"
#include "changer/DeviceMonitor.h"
#include "changer/DriveFlows.h"
#include "changer/RetrieveLog.h"
#include "changer/SwapId.h"
#include "changer/TakeOutFlows.h"
#include "changer/TestCycle.h"
#include "shell/Settings.h"

#include <random>

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;
using torvex::sim::PlugEvent;

// Limits no flow may pass, however the cabinet misbehaves: virtual time and library calls.
constexpr std::int64_t kFlowMs = 30'000;
constexpr std::size_t kFlowCalls = 40;

class NoSwap final : public SwapIdDialog {
public:
    std::pair<std::string, std::string> ask(const std::vector<std::string>&) override { return answer; }
    std::pair<std::string, std::string> answer;
};

// A cabinet with a drive that fails in the middle of the flows: unplugged, busy for ever, or
// answering nonsense. Every flow must come back soon, tell the person, and write nothing false.
class ChangerFaultTest : public ChangerFixture {
protected:
    static constexpr int kSlot = 4;
    static constexpr int kOther = 0x0D0E0F;

    void SetUp() override
    {
        ChangerFixture::SetUp();
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = kDrive;
        spec.filled = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 43, 65, 66, 69};
        drive = sim.addCabinet(spec);
        openLibrary();
        registerMachine(kDrive, "Drive");
        registerMachine(kOther, "Other");
        ctx->display.addMachineName("Drive");
        ctx->display.setMachineNameText("Drive");
        ctx->CurrentMachine = kDrive;
        ctx->CurrentSlot = kSlot;
        ctx->settings = &settings;
        ASSERT_TRUE(settings.writeInt("System", "RetrieveLog", 1));
        addDisc(kDrive, kSlot);
        addDisc(kOther, 9);
        discsBefore = discs();
    }

    void addDisc(int machine, int slot)
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = "Disc " + std::to_string(slot);
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        ASSERT_TRUE(WriteDiscRecord(*catalogue).ok());
        ASSERT_TRUE(catalogue->discCursor().post().ok());
    }

    std::vector<std::vector<std::string>> discs() { return rows("SELECT * FROM KAVRO ORDER BY rowid"); }

    std::filesystem::path logFile() const { return dir / "Data/Retrieve.log"; }
    std::vector<RetrieveLogRow> records() const { return ReadRetrieveLog(logFile()); }

    // Runs a flow and checks it stayed within the limits. Library calls are counted rather than
    // the requests that reached the cabinet, which leave out those made after the unplug.
    template <typename Flow> void bounded(const char* what, Flow&& flow)
    {
        const std::int64_t start = clock.nowMs();
        const std::size_t calls = torvex.calls.size();
        flow();
        EXPECT_LE(clock.nowMs() - start, kFlowMs) << what;
        EXPECT_LE(torvex.calls.size() - calls, kFlowCalls) << what;
    }

    void takeOut()
    {
        TakeOutAnswer yes;
        yes.result = TakeOutAnswer::Execute;
        yes.takeOut = true;
        yes.reason = "Fault";
        yes.when = {2024, 3, 5, 9, 7, 30};
        dialog.answers = {yes};
        TakeOutDisc(*ctx, dialog, kDrive, kSlot, "Disc 4", TakeOutSource::StopsMonitor);
    }

    // Lets the drive check run as its timer would, while it keeps starting itself.
    void driveChecks()
    {
        for (int tick = 0; tick < 12 && driveCheck.active(); ++tick)
            DriveCheckTick(*ctx);
        EXPECT_FALSE(driveCheck.active()) << "the drive check keeps starting itself";
    }

    // The machine bar claims a slot in the drive, or an empty drive, only when that is so.
    void expectTruthfulDriveLabel(const std::string& where)
    {
        const std::string label = ctx->display.stateLabel();
        const int truth = sim.state(drive).driveSlot;
        if (label == "No Disc in the drive") {
            EXPECT_EQ(truth, 0) << where;
        }
        if (label.rfind("Slot ", 0) == 0) {
            EXPECT_EQ(label, "Slot " + std::to_string(truth) + " in the drive") << where;
        }
        EXPECT_EQ(ctx->display.ejectEnabled(), label.rfind("Slot ", 0) == 0) << where;
    }

    // The cabinet back as after a fresh plug-in: the library reopened by the monitor, the door
    // and the drive emptied, nothing logged.
    void replug()
    {
        sim.plug(drive);
        // A cabinet unplugged while moving finishes the move first (and answers BUSY meanwhile,
        // its id request included).
        settle();
        DeviceMonitorTick(*ctx);
        ASSERT_EQ(GetDeviceNumber(), 1);
        ASSERT_EQ(USBCDReset(kDrive), 0);
        settle();
        ASSERT_EQ(USBCDEject(kDrive), 0);
        settle();
        ctx->DoorMachine = 0;
        // The test emptied the drive behind the program's back.
        ctx->display.setStateLabel("Checking");
        std::filesystem::remove(logFile());
        person.boxes.clear();
        sim.clearLog();
    }

    // Requests a flow sends on a healthy cabinet.
    template <typename Flow> std::size_t requestsOf(Flow&& flow)
    {
        sim.clearLog();
        flow();
        return sim.log().size();
    }

    // Unplugs the cabinet after each number of requests a flow makes, runs the flow, checks it,
    // then plugs it in again and checks the flow works.
    template <typename Prepare, typename Flow, typename Check>
    void unplugSweep(Prepare&& prepare, Flow&& flow, Check&& check)
    {
        prepare();
        const std::size_t total = requestsOf(flow);
        ASSERT_GT(total, 3u);
        for (std::size_t after = 0; after < total; ++after) {
            SCOPED_TRACE("unplugged after " + std::to_string(after) + " of " + std::to_string(total));
            replug();
            prepare();
            sim.clearLog();
            sim.schedule(drive, {PlugEvent::Trigger::AfterRequests, static_cast<std::int64_t>(after), false});
            bounded("unplugged", flow);
            ASSERT_FALSE(sim.state(drive).plugged);
            check(false);
            EXPECT_EQ(discs(), discsBefore);
        }
        replug();
        prepare();
        flow();
        check(true);
    }

    int drive = 0;
    Settings settings{dir / "Kavro.ini"};
    ScriptedTakeOutDialog dialog;
    std::vector<std::vector<std::string>> discsBefore;
};

TEST_F(ChangerFaultTest, UnplugDuringATakeOut)
{
    unplugSweep([] {}, [this] { takeOut(); },
                [this](bool healthy) {
                    const bool atDoor = sim.state(drive).doorSlot == kSlot;
                    EXPECT_EQ(atDoor, healthy);
                    // A record only for a disc that came to the door.
                    EXPECT_EQ(records().size(), atDoor ? 1u : 0u);
                    if (!atDoor) {
                        ASSERT_FALSE(person.boxes.empty());
                        EXPECT_EQ(person.boxes.back().text, "未接機器 ");
                    }
                    EXPECT_EQ(person.busyDepth, 0);
                    EXPECT_TRUE(monitor.active());
                    expectTruthfulDriveLabel("take-out");
                });
    EXPECT_EQ(records().at(0).slot, "4");
}

TEST_F(ChangerFaultTest, UnplugDuringALoad)
{
    unplugSweep([] {},
                [this] {
                    LoadToDrive(*ctx);
                    driveChecks();
                },
                [this](bool healthy) {
                    const bool loaded = sim.state(drive).driveSlot == kSlot;
                    if (healthy) {
                        EXPECT_TRUE(loaded);
                    }
                    // The load's last request is the slot; unplugged before it, nothing moved.
                    if (!loaded) {
                        EXPECT_FALSE(person.boxes.empty());
                    }
                    expectTruthfulDriveLabel("load");
                    EXPECT_TRUE(monitor.active());
                });
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 4 in the drive");
}

TEST_F(ChangerFaultTest, UnplugDuringAnEject)
{
    unplugSweep([this] { ASSERT_EQ(USBCDMovetoDrive(kDrive, kSlot), 0); },
                [this] {
                    EjectFromDrive(*ctx);
                    driveChecks();
                },
                [this](bool healthy) {
                    const bool ejected = sim.state(drive).driveSlot == 0;
                    if (healthy) {
                        EXPECT_TRUE(ejected);
                    }
                    if (!ejected) {
                        EXPECT_FALSE(person.boxes.empty());
                    }
                    expectTruthfulDriveLabel("eject");
                    EXPECT_TRUE(monitor.active());
                });
    EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
}

// Every command code and slot answered with the same reply, more often than any flow asks.
void answerAlways(torvex::sim::Simulator& sim, int cabinet, const Reply& reply)
{
    for (int index = 1; index <= 150; ++index)
        if (index != 9 && index != 10)
            for (int n = 0; n < 200; ++n)
                sim.script(cabinet, index, reply);
}

TEST_F(ChangerFaultTest, ACabinetBusyForEverEndsEveryFlow)
{
    for (const char* busy : {"BUSY", "+BUSY"}) {
        SCOPED_TRACE(busy);
        torvex::sim::Simulator fresh;
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = kDrive;
        spec.filled = {kSlot};
        drive = fresh.addCabinet(spec);
        sim = fresh;
        sim.setTimeSource([this] { return clock.nowMs(); });
        sim.install();
        openLibrary();
        answerAlways(sim, drive, Reply::text(busy));
        person.boxes.clear();
        ctx->display.setStateLabel("Checking");

        bounded("CheckReady", [&] { EXPECT_NE(CheckReady(*ctx, kDrive) == 0, busy[0] == 'B'); });
        bounded("take-out", [&] { takeOut(); });
        EXPECT_FALSE(std::filesystem::exists(logFile()) && !records().empty());
        EXPECT_EQ(ctx->display.statusText(0), "Device status BUSY");
        bounded("load", [&] { LoadToDrive(*ctx); });
        bounded("drive check", [&] { driveChecks(); });
        expectTruthfulDriveLabel("load");
        EXPECT_EQ(ctx->display.statusText(0), "Device status BUSY");
        bounded("eject", [&] { EjectFromDrive(*ctx); });
        bounded("drive check", [&] { driveChecks(); });
        expectTruthfulDriveLabel("eject");
        bounded("drive state", [&] { ShowDriveState(*ctx); });
        expectTruthfulDriveLabel("machine-name box");
        bounded("monitor", [&] { DeviceMonitorTick(*ctx); });
        EXPECT_EQ(ctx->display.statusText(0), "12:34:56 Device Check 0");

        // The test cycle runs until stopped, but not for ever at a machine that never moves.
        const std::int64_t start = clock.nowMs();
        clock.onProcessEvents = [&] {
            if (ctx->testRunning && clock.nowMs() - start > 600'000) {
                ADD_FAILURE() << "the cycle does not end by itself";
                TestCycleKeyPressed(*ctx, TestCycleKey::Chord);
            }
        };
        RunTestCycle(*ctx, 100);
        clock.onProcessEvents = nullptr;
        EXPECT_FALSE(ctx->testRunning);
        EXPECT_EQ(ctx->display.statusText(3), "Auto Check Stop");
        // Each round waits for the cabinet to stop, 15 s at most.
        EXPECT_LE(clock.nowMs() - start, 300'000);

        NoSwap swapDialog;
        swapDialog.answer = {"Drive", "Other"};
        bounded("swap", [&] { EXPECT_EQ(SwapID1(*ctx, swapDialog).outcome, SwapOutcome::Swapped); });
        bounded("swap back", [&] { EXPECT_EQ(SwapID1(*ctx, swapDialog).outcome, SwapOutcome::Swapped); });
        EXPECT_EQ(discs(), discsBefore);
        EXPECT_EQ(sim.state(drive).driveSlot, 0);
        EXPECT_EQ(sim.state(drive).doorSlot, 0);
    }
}

TEST_F(ChangerFaultTest, TheDriveReadingOfABusyMachineIsNoSlotButSlotSixtySixIs)
{
    // A disc really in slot 66's place: the machine is idle when asked, so it is shown at the
    // first check.
    ASSERT_EQ(USBCDMovetoDrive(kDrive, 66), 0);
    settle();
    driveCheck.start();
    DriveCheckTick(*ctx);
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 66 in the drive");
    EXPECT_TRUE(ctx->display.ejectEnabled());

    // A machine that starts moving between its status and the drive question answers "BUSY",
    // read as 66: not a disc in the drive.
    ASSERT_EQ(USBCDEject(kDrive), 0);
    settle();
    sim.script(drive, 17, Reply::text("ACK"));
    sim.script(drive, 18, Reply::text("BUSY"));
    sim.script(drive, 17, Reply::text("BUSY"));
    DriveCheckTick(*ctx);
    EXPECT_NE(ctx->display.stateLabel(), "Slot 66 in the drive");
    EXPECT_FALSE(ctx->display.ejectEnabled());
    EXPECT_TRUE(driveCheck.active());
    driveChecks();
    EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
}

// What a cabinet gone wrong may answer: nonsense units (over-long, non-ASCII, empty), failed
// requests, replies meant for another request, and the ordinary replies.
Reply garbage(std::mt19937& rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    switch (pick(9)) {
    case 0:
        return Reply::failure();
    case 1:
        return Reply::units({});
    case 2: {
        std::vector<std::uint16_t> units(static_cast<std::size_t>(pick(300)));
        for (auto& u : units)
            u = static_cast<std::uint16_t>(rng());
        return Reply::units(units);
    }
    case 3:
        return Reply::units({static_cast<std::uint16_t>(rng()), 0});
    case 4:
        return Reply::units({static_cast<std::uint16_t>(pick(256))});
    case 5:
        return Reply::text("KZ350VN"); // the model text
    case 6:
        return Reply::units({0x0A, 0x0B, 0x0C}); // the id
    case 7: {
        static const char* const words[] = {"ACK", "BUSY", "+ACK", "+BUSY", "ERROR", "ERROR3", "ack", "ACKNAK"};
        return Reply::text(words[pick(8)]);
    }
    default:
        return Reply::text(std::string(static_cast<std::size_t>(pick(400)), static_cast<char>(0x80 + pick(128))));
    }
}

TEST_F(ChangerFaultTest, GarbageRepliesNeverCrashLoopOrLogFalsely)
{
    std::mt19937 rng(20240305);
    const std::vector<int> codes = {11, 12, 14, 15, 16, 17, 18, 19, 20, 21, 22, kSlot, 43, 66};
    std::size_t logged = 0;
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        for (const int code : codes)
            for (int n = 0; n < 3; ++n)
                sim.script(drive, code, garbage(rng));
        // Now and then the id and model requests of the monitor's listing too.
        if (round % 10 == 0) {
            sim.script(drive, 10, garbage(rng));
            sim.script(drive, 9, garbage(rng));
        }
        sim.clearLog();
        person.boxes.clear();
        const std::size_t before = logged;
        switch (round % 6) {
        case 0:
            bounded("take-out", [&] { takeOut(); });
            break;
        case 1:
            bounded("load", [&] {
                ctx->CurrentMachine = kDrive;
                ctx->CurrentSlot = kSlot;
                LoadToDrive(*ctx);
                driveChecks();
            });
            break;
        case 2:
            bounded("eject", [&] {
                EjectFromDrive(*ctx);
                driveChecks();
            });
            break;
        case 3:
            bounded("drive state", [&] { ShowDriveState(*ctx); });
            break;
        case 4:
            bounded("monitor", [&] { DeviceMonitorTick(*ctx); });
            break;
        default: {
            int runs = 0;
            clock.onProcessEvents = [&] {
                if (++runs == 20 && ctx->testRunning)
                    TestCycleKeyPressed(*ctx, TestCycleKey::Chord);
            };
            const std::int64_t start = clock.nowMs();
            RunTestCycle(*ctx, 100);
            clock.onProcessEvents = nullptr;
            // Each round waits for the cabinet to stop, 15 s at most.
        EXPECT_LE(clock.nowMs() - start, 300'000);
            break;
        }
        }
        EXPECT_EQ(person.busyDepth, 0);
        // A drive slot shown is one the machine can have.
        const std::string label = ctx->display.stateLabel();
        if (label.rfind("Slot ", 0) == 0) {
            const int shown = std::atoi(label.c_str() + 5);
            EXPECT_TRUE(shown >= 1 && shown <= 100) << label;
        }
        // A new record only after the slot was sent behind an acknowledged code 12.
        logged = records().size();
        if (logged > before) {
            EXPECT_EQ(logged, before + 1);
            const auto sent = sim.indicesSent(kDrive);
            bool slotSent = false;
            for (std::size_t i = 0; i + 1 < sent.size(); ++i)
                slotSent = slotSent || (sent[i] == 12 && sent[i + 1] == kSlot);
            EXPECT_TRUE(slotSent);
        }
        EXPECT_EQ(discs(), discsBefore);
        // The cabinet may have left the table on a nonsense id; bring the library back.
        if (GetDeviceNumber() != 1 || EnumDevice(0) != kDrive)
            InitUSBKavro();
    }
}

} // namespace
} // namespace kavro::test
