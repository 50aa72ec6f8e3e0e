// kavro-cabinet as staged: its usage errors, and a short simulated run over the demo folder.
#include "support/TempDir.h"
#include "torvex/RunProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
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
    for (const std::string args : {"", "catalogue", "list 1", "--simulate", "catalogue nothing", "--what catalogue 1"})
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
    const ProgramRun run = tool("--simulate " + sim + " --folder " + quoted(folder) + " catalogue 0x0A0B0C 14-16");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("14\tskipped"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("15\tcatalogued\tHOLIDAY_2016_15"), std::string::npos) << run.output;
    const ProgramRun map = tool("--simulate " + sim + " --folder " + quoted(folder) + " map 0x0A0B0C 15-17");
    EXPECT_NE(map.output.find("15\tcatalogued\tHOLIDAY_2016_15"), std::string::npos) << map.output;
    EXPECT_NE(map.output.find("17\tfree"), std::string::npos) << map.output;
}

} // namespace
} // namespace kavro::test
