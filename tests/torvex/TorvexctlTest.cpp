// torvexctl over the demo cabinets, as a person would use it.
#include "RunProgram.h"

#include "support/TempDir.h"

namespace torvex::test {
namespace {

class Torvexctl : public ::testing::Test {
protected:
    ProgramRun ctl(const std::string& arguments, const std::string& simFile = {})
    {
        const std::string stage = folderFromEnvironment("KAVRO_STAGE_DIR");
        const std::string source = folderFromEnvironment("KAVRO_SOURCE_DIR");
        const std::string file = simFile.empty() ? source + "/torvex/sim/demo-cabinets.sim" : simFile;
        return runProgram("env -u TORVEX_SIMULATOR " + quoted(stage + "/torvexctl") + " --simulate " +
                          quoted(file) + " " + arguments);
    }
};

TEST_F(Torvexctl, ListShowsBothDemoCabinets)
{
    const ProgramRun run = ctl("list");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("2 machines"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("#0  id 0x0A0B0C (658188)  model KZ350VN  drive yes"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("#1  id 0x0D0E0F (855567)  drive no"), std::string::npos) << run.output;
}

TEST_F(Torvexctl, BadSlotsAreRejectedBeforeAnythingIsSent)
{
    for (const std::string slot : {"0", "-3", "abc", "256", "5x", ""}) {
        const ProgramRun run = ctl("move 0x0A0B0C '" + slot + "'");
        EXPECT_EQ(run.exitCode, 2) << slot << ": " << run.output;
        EXPECT_NE(run.output.find("bad slot '" + slot + "' for move"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("USBCD_"), std::string::npos) << "a command ran: " << run.output;
    }
    const ProgramRun load = ctl("load 658188 -1");
    EXPECT_EQ(load.exitCode, 2) << load.output;
    EXPECT_NE(load.output.find("bad slot '-1' for load"), std::string::npos) << load.output;
}

TEST_F(Torvexctl, IdsInDecimalOrHexAndClearMessagesForBadOnes)
{
    EXPECT_EQ(ctl("status 658188").exitCode, 0);
    EXPECT_EQ(ctl("status 0x0a0b0c").exitCode, 0);
    const ProgramRun text = ctl("status cabinet");
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_NE(text.output.find("bad machine id 'cabinet'"), std::string::npos) << text.output;
    const ProgramRun absent = ctl("status 0x123456");
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_NE(absent.output.find("no machine has id 0x123456"), std::string::npos) << absent.output;
    const ProgramRun unknown = ctl("spin 0x0A0B0C");
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.output.find("unknown command 'spin'"), std::string::npos) << unknown.output;
}

TEST_F(Torvexctl, CommandsInOneRunShareTheSimulatedState)
{
    kavro::test::TempDir dir;
    const auto file =
        dir.write("quick.sim", "[cabinet]\nid = 0x0A0B0C\nfilled = 1-10\ncounter = 4\nbusy = 0\n");
    const ProgramRun run =
        ctl("move 0x0A0B0C 5 ';' load 0x0A0B0C 7 -- drive 0x0A0B0C ';' counter 0x0A0B0C ';' eject 0x0A0B0C "
            "';' drive 0x0A0B0C",
            file.string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "move 0x0A0B0C 5: USBCD_OK\n"
                          "load 0x0A0B0C 7: USBCD_OK\n"
                          "drive 0x0A0B0C: slot 7\n"
                          "counter 0x0A0B0C: USBCD_OK 5\n"
                          "eject 0x0A0B0C: USBCD_OK\n"
                          "drive 0x0A0B0C: empty\n");
}

TEST_F(Torvexctl, AFailureIsPrintedByNameAndStopsTheRest)
{
    const ProgramRun run = ctl("move 0x0A0B0C 5 ';' move 0x0A0B0C 6 ';' list");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("move 0x0A0B0C 6: USBCD_BUSY"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("machines"), std::string::npos) << run.output;
    const ProgramRun noDrive = ctl("load 0x0D0E0F 3");
    EXPECT_EQ(noDrive.exitCode, 1);
    EXPECT_NE(noDrive.output.find("load 0x0D0E0F 3: USBCD_FAIL"), std::string::npos) << noDrive.output;
}

TEST_F(Torvexctl, WatchPrintsPlugAndUnplug)
{
    kavro::test::TempDir dir;
    const auto file = dir.write("watch.sim", "[cabinet]\nid = 1\nunplug-after-listings = 2\n"
                                             "[cabinet]\nid = 2\nplugged = no\nplug-after-listings = 3\n");
    const ProgramRun run = ctl("watch 3 --interval 0", file.string());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "watching 1 machine\n"
                          "unplugged 0x000001\n"
                          "plugged   0x000002\n");
}

TEST_F(Torvexctl, AnUnusableSimulatorFileIsReported)
{
    kavro::test::TempDir dir;
    const auto bad = dir.write("bad.sim", "[cabinet]\nslots = 4\n");
    const ProgramRun run = ctl("list", bad.string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("could not be read or parsed"), std::string::npos) << run.output;
    const ProgramRun missing = ctl("list", (dir / "none.sim").string());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot read the simulator file"), std::string::npos) << missing.output;
}

TEST_F(Torvexctl, ExitCodesEchoesAndWhatCountsAsReady)
{
    kavro::test::TempDir dir;
    // Cabinet 1 moves at real speed; 2 answers its status +ACK, then +BUSY; two cabinets share id 3.
    const auto file = dir.write("codes.sim", "[cabinet]\nid = 1\nfilled = 1-10\n"
                                             "[cabinet]\nid = 2\nreply = 17 +ACK\nreply = 17 +BUSY\n"
                                             "[cabinet]\nid = 3\nmodel = FIRST\n"
                                             "[cabinet]\nid = 3\nmodel = SECOND\n"
                                             "[cabinet]\nid = 4\nmodel = 1234567\n");
    struct Case {
        std::string arguments;
        int exitCode;
        std::vector<std::string> lines; // each must appear
    };
    const std::vector<Case> cases = {
        {"status 1 ';' move 1 5 ';' status 1 ';' wait 1 0 ';' status 1",
         1,
         {"status 1: USBCD_OK (ready)\n", "move 1 5: USBCD_OK\n", "status 1: USBCD_BUSY (moving)\n",
          "wait 1: USBCD_BUSY (still busy after 0 s)\n"}},
        {"move 1 5 ';' move 1 6", 1, {"move 1 6: USBCD_BUSY\n"}},
        {"status 2 ';' status 2 ';' wait 2",
         0,
         {"status 2: USBCD_PLUS_ACK (ready)\n", "status 2: USBCD_PLUS_BUSY (moving)\n", "wait 2: USBCD_OK"}},
        {"status 0x000001 ';' drive 1", 0, {"status 0x000001: USBCD_OK", "drive 1: empty\n"}},
        {"drive 4", 1, {"drive 4: no answer"}},
        {"list",
         0,
         {"#2  id 0x000003 (3)  model FIRST  drive yes\n",
          "#3  id 0x000003 (3)  (same id as #2: not reachable)\n"}},
        {"--simulate", 2, {"--simulate needs a FILE"}},
        {"wait 1 3601", 2, {"bad time '3601'"}},
    };
    for (const Case& c : cases) {
        // "--simulate" alone is the whole command line of its case.
        const ProgramRun run =
            c.arguments == "--simulate"
                ? runProgram(quoted(folderFromEnvironment("KAVRO_STAGE_DIR") + "/torvexctl") + " --simulate")
                : ctl(c.arguments, file.string());
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        for (const std::string& line : c.lines)
            EXPECT_NE(run.output.find(line), std::string::npos) << c.arguments << " lacks " << line << "\n"
                                                                << run.output;
    }
    EXPECT_EQ(ctl("list", file.string()).output.find("SECOND"), std::string::npos);
}

TEST_F(Torvexctl, HelpNamesEveryCommand)
{
    const ProgramRun run = ctl("--help");
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command :
         {"list", "status ID", "move ID SLOT", "load ID SLOT", "eject ID", "drive ID", "type ID",
          "counter ID", "reset ID", "power on|off ID", "wait ID [SECONDS]", "watch", "--simulate", "0  done",
          "1  the machine refused or failed", "2  a wrong command line"})
        EXPECT_NE(run.output.find(command), std::string::npos) << command;
}

} // namespace
} // namespace torvex::test
