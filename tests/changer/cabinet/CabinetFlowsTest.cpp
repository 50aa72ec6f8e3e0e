// The changer flows on cabinets that move as slowly as real ones: each request that comes while
// a cabinet still moves gets "BUSY", and the flows must wait instead of reading it as an answer.
#include "changer/ChangerFixture.h"

#include "changer/DeviceMonitor.h"
#include "changer/DriveFlows.h"
#include "changer/MachineRegistry.h"
#include "changer/TakeOutFlows.h"

#include <algorithm>

namespace kavro::test {
namespace {

using torvex::sim::Reply;

class CabinetFlowsTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = kDrive;
        spec.filled = {5, 6, 7, 66};
        drive = sim.addCabinet(spec);
        openLibrary();
        registerMachine(kDrive, "Drive");
        ctx->display.addMachineName("Drive");
        ctx->display.setMachineNameText("Drive");
        ctx->CurrentMachine = kDrive;
        // Every label the machine bar showed, with the drive's truth at that moment.
        ctx->display.setOnChange([this](ChangerDisplay::Part) {
            const std::string& label = ctx->display.stateLabel();
            if (label != lastLabel) {
                lastLabel = label;
                shown.push_back({label, sim.state(drive).driveSlot});
            }
        });
    }

    // The bar never claimed a disc the drive did not hold, nor an empty drive that held one,
    // and its Eject button is on exactly when it names a disc.
    void expectTruthfulBar()
    {
        for (const Shown& s : shown) {
            if (s.label.rfind("Slot ", 0) == 0)
                EXPECT_EQ(s.label, "Slot " + std::to_string(s.truth) + " in the drive");
            if (s.label == "No Disc in the drive")
                EXPECT_EQ(s.truth, 0);
        }
        EXPECT_EQ(ctx->display.ejectEnabled(), ctx->display.stateLabel().rfind("Slot ", 0) == 0);
    }

    bool boxSaid(const std::string& text) const
    {
        return std::any_of(person.boxes.begin(), person.boxes.end(),
                           [&](const ScriptedPerson::Box& b) { return b.text.find(text) != std::string::npos; });
    }

    void takeOut(int slot) { TakeOutDisc(*ctx, dialog, kDrive, slot, "Disc", TakeOutSource::StopsMonitor); }

    struct Shown {
        std::string label;
        int truth;
    };
    int drive = 0;
    std::string lastLabel;
    std::vector<Shown> shown;
    ScriptedTakeOutDialog dialog;
};

TEST_F(CabinetFlowsTest, ASecondTakeOutNeverShowsTheMovingCabinetsBusyAsSlot66)
{
    takeOut(5);
    takeOut(6);
    EXPECT_EQ(sim.state(drive).doorSlot, 6);
    EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
    EXPECT_FALSE(ctx->display.ejectEnabled());
    expectTruthfulBar();
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(CabinetFlowsTest, ALoadRightAfterATakeOutLoadsTheDisc)
{
    // Slot 66 too: the busy cabinet's "BUSY" must not pass for slot 66 already in the drive.
    for (const int slot : {7, 66}) {
        SCOPED_TRACE(slot);
        takeOut(5);
        ctx->CurrentSlot = slot;
        LoadToDrive(*ctx);
        EXPECT_EQ(sim.state(drive).driveSlot, slot);
        EXPECT_EQ(ctx->display.stateLabel(), "Slot " + std::to_string(slot) + " in the drive");
        EXPECT_TRUE(ctx->display.ejectEnabled());
        EXPECT_FALSE(boxSaid("Disk in the drive"));
        EjectFromDrive(*ctx);
        EXPECT_EQ(sim.state(drive).driveSlot, 0);
        EXPECT_EQ(ctx->display.stateLabel(), "No Disc in the drive");
    }
    expectTruthfulBar();
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(CabinetFlowsTest, Slot66IsTakenOutWhileTheCabinetStillMoves)
{
    takeOut(5);
    ASSERT_EQ(USBCDReset(kDrive), 0); // moving again when the next take-out comes
    takeOut(66);
    EXPECT_FALSE(boxSaid("Disk in the drive"));
    EXPECT_EQ(sim.state(drive).doorSlot, 66);
}

TEST_F(CabinetFlowsTest, ATakeOutOnACabinetThatStaysBusyIsToldAndMovesNothing)
{
    for (int i = 0; i < 60; ++i)
        sim.script(drive, 17, Reply::text("BUSY"));
    takeOut(5);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Drive is still moving. Try again once it has stopped.");
    EXPECT_EQ(ctx->display.statusText(0), "Device status BUSY");
    EXPECT_EQ(sim.state(drive).doorSlot, 0);
}

TEST_F(CabinetFlowsTest, ARealSlot66InTheDriveIsShownOnceTheLoadIsOver)
{
    ctx->CurrentSlot = 66;
    LoadToDrive(*ctx);
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 66 in the drive");
    // The drive check agrees at its first tick.
    DriveCheckTick(*ctx);
    EXPECT_EQ(ctx->display.stateLabel(), "Slot 66 in the drive");
    EXPECT_EQ(ctx->DriveCheckCount, 1);
    expectTruthfulBar();
}

TEST_F(CabinetFlowsTest, TheWaitIsShownWhileTheCabinetMoves)
{
    std::vector<std::string> waits;
    ctx->display.setOnChange([&](ChangerDisplay::Part part) {
        if (part == ChangerDisplay::Part::Wait && !ctx->display.waitText().empty())
            waits.push_back(ctx->display.waitText());
    });
    takeOut(5);
    ctx->CurrentSlot = 7;
    LoadToDrive(*ctx);
    EXPECT_NE(std::find(waits.begin(), waits.end(), "Moving slot 5 to the door…"), waits.end());
    EXPECT_NE(std::find(waits.begin(), waits.end(), "Loading slot 7 into the drive…"), waits.end());
    EXPECT_TRUE(ctx->display.waitText().empty());
    EXPECT_EQ(person.busyDepth, 0);
    EXPECT_EQ(ctx->cabinetWork, 0);
}

TEST_F(CabinetFlowsTest, ACabinetThatCannotBeOpenedIsToldOnceInTheStatusBarAndTheLog)
{
    std::vector<std::string> present{"Cabinet 1-4 cannot be opened: permission denied. Install the rule"};
    std::vector<std::string> logged;
    ctx->unopenedCabinets = [&] { return present; };
    ctx->log = [&](const std::string& line) { logged.push_back(line); };
    ReportUnopenedCabinets(*ctx);
    EXPECT_EQ(ctx->display.statusText(0), present[0]);
    ctx->display.setStatusText(0, "");
    ReportUnopenedCabinets(*ctx);
    EXPECT_EQ(ctx->display.statusText(0), "");
    present.push_back("Cabinet 1-5 cannot be opened: busy");
    ReportUnopenedCabinets(*ctx);
    EXPECT_EQ(logged, present);
}

// A person whose name prompt lets the device monitor tick, as the window's timers do inside a
// modal dialog; meanwhile the second cabinet leaves the bus.
class TickingPerson final : public Person {
public:
    BoxAnswer messageBox(const std::string&, const std::string&, BoxIcon, BoxButtons,
                         std::optional<BoxAnswer>) override
    {
        return BoxAnswer::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string& prompt, const std::string&) override
    {
        prompts.push_back(prompt);
        if (onPrompt)
            onPrompt();
        return "Cabinet " + std::to_string(prompts.size());
    }
    std::optional<std::string> chooseFile(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    void progress(int, int, const std::string&) override {}

    std::function<void()> onPrompt;
    std::vector<std::string> prompts;
};

TEST_F(CabinetFlowsTest, OnlyMachineIdsAreRegistered)
{
    // Two new cabinets; while the first is being named, the monitor ticks and the second one
    // is unplugged, so a re-listing would leave EnumDevice's "no such index" (1) in its place.
    const int second = addCabinet(0x0A0B0D);
    const int third = addCabinet(0x0A0B0E);
    openLibrary();
    TickingPerson naming;
    ChangerContext own(*catalogue, torvex, naming, clock, texts);
    own.useTimers(monitor, driveCheck);
    naming.onPrompt = [&] {
        if (naming.prompts.size() == 1) {
            sim.unplug(third);
            DeviceMonitorTick(own);
        }
    };
    ASSERT_TRUE(RescanMachines(own).ok());
    for (const auto& row : rows("SELECT trim(DEVICENO) FROM CDDEVICE"))
        EXPECT_TRUE(row[0] == "658188" || row[0] == "658189" || row[0] == "658190") << row[0];
    for (const std::string& prompt : naming.prompts)
        EXPECT_EQ(prompt.find("MachineNo is 1\r\n"), std::string::npos) << prompt;
    (void)second;

    // Two bad answers to the id request in a row (a reply word, then a failed request): asked
    // again after waits, then the real id is registered, and nothing else.
    sim.plug(third);
    const int fourth = addCabinet(0x0B0B0B);
    sim.script(fourth, 10, Reply::text("BUSY"));
    sim.script(fourth, 10, Reply::failure());
    naming.onPrompt = nullptr;
    ASSERT_TRUE(RescanMachines(own).ok());
    const auto ids = rows("SELECT trim(DEVICENO) FROM CDDEVICE WHERE DEVICENO NOT IN ('658188','658189','658190')");
    EXPECT_EQ(ids, (std::vector<std::vector<std::string>>{{"723723"}}));
}

} // namespace
} // namespace kavro::test
