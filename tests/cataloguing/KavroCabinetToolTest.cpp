// kavro-cabinet as staged: its usage errors, and a short simulated run over the demo folder.
#include "cataloguing/RunLog.h"
#include "support/TempDir.h"
#include "torvex/RunProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace kavro::test {
namespace {

using torvex::test::folderFromEnvironment;
using torvex::test::ProgramRun;
using torvex::test::quoted;
using torvex::test::runProgram;

class KavroCabinetTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        stage = folderFromEnvironment("KAVRO_STAGE_DIR");
        std::filesystem::create_directories(dir.path() / "run");
        ::chmod((dir.path() / "run").c_str(), 0700);
    }

    // A private runtime folder: the instance lock of a Kavro run by another test is not ours.
    ProgramRun tool(const std::string& args)
    {
        return runProgram("XDG_RUNTIME_DIR=" + quoted((dir.path() / "run").string()) + " " +
                          quoted(stage + "/kavro-cabinet") + " " + args + " 2>&1");
    }

    std::string stage;
    TempDir dir;
};

TEST_F(KavroCabinetTool, BadUseExitsTwo)
{
    const std::string folder = "--folder " + quoted((dir.path() / "empty").string()) + " ";
    for (const std::string args :
         {"", "catalogue", "list 1", "--simulate", "catalogue nothing", "--what catalogue 1"})
        EXPECT_EQ(tool(folder + args).exitCode, 2) << args;
    // A cabinet the catalogue does not know.
    std::filesystem::create_directories(dir.path() / "empty");
    EXPECT_EQ(tool(folder + "catalogue 0x0A0B0C").exitCode, 2);
    EXPECT_EQ(tool("--help").exitCode, 0);
}

TEST_F(KavroCabinetTool, CataloguesTheDemoCabinetsUnknownDiscs)
{
    const std::string folder = (dir.path() / "demo").string();
    ASSERT_EQ(runProgram(quoted(stage + "/kavro-demo") + " " + quoted(folder) + " 2>&1").exitCode, 0);
    const std::string sim = quoted(folder + "/Data/demo-cabinets.sim");
    const ProgramRun run =
        tool("--simulate " + sim + " --folder " + quoted(folder) + " catalogue 0x0A0B0C 14-16");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("14\tskipped"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("15\tcatalogued\tHOLIDAY_2016_15"), std::string::npos) << run.output;
    const ProgramRun map = tool("--simulate " + sim + " --folder " + quoted(folder) + " map 0x0A0B0C 15-17");
    EXPECT_NE(map.output.find("15\tcatalogued\tHOLIDAY_2016_15"), std::string::npos) << map.output;
    EXPECT_NE(map.output.find("17\tfree"), std::string::npos) << map.output;
}

TEST_F(KavroCabinetTool, CtrlCStopsAfterTheSlotUnderWayWithItsDiscBack)
{
    const std::string folder = (dir.path() / "demo").string();
    ASSERT_EQ(runProgram(quoted(stage + "/kavro-demo") + " " + quoted(folder) + " 2>&1").exitCode, 0);
    const std::string out = quoted((dir.path() / "out").string());
    // Interrupted once the first slot is under way.
    const ProgramRun run = runProgram(
        "XDG_RUNTIME_DIR=" + quoted((dir.path() / "run").string()) + " " + quoted(stage + "/kavro-cabinet") +
        " --simulate " + quoted(folder + "/Data/demo-cabinets.sim") + " --folder " + quoted(folder) +
        " catalogue 0x0A0B0C 15-17 >" + out + " 2>&1 & p=$!; for i in $(seq 300); do grep -q 'slot 15' " +
        out + " && break; sleep 0.1; done; kill -INT $p; wait $p; echo \"exit $?\"; cat " + out);
    EXPECT_NE(run.output.find("exit 1\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("stopping after slot 15"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("15\tcatalogued\tHOLIDAY_2016_15"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("16\t"), std::string::npos) << run.output;
    // The log: slot 15 loaded and returned, the run left to continue.
    std::ifstream in(folder + "/Data/CabinetRun.log");
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("load 15\nreturn 15\nslot 15 catalogued"), std::string::npos) << log;
    const auto left = RunLog::unfinished(folder + "/Data/CabinetRun.log");
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->done.size(), 1u);
    EXPECT_EQ(left->maybeInDrive, 0);
}

} // namespace
} // namespace kavro::test
