// The shared library shows exactly the seventeen operations and nothing else.
#include "RunProgram.h"

#include <set>
#include <sstream>

namespace torvex::test {
namespace {

TEST(SharedLibrary, ExportsExactlyTheSeventeenOperations)
{
    const std::string stage = folderFromEnvironment("KAVRO_STAGE_DIR");
    ASSERT_FALSE(stage.empty());
    const ProgramRun nm = runProgram("nm -D --defined-only " + quoted(stage + "/libtorvex.so"));
    ASSERT_EQ(nm.exitCode, 0) << nm.output;
    std::set<std::string> names;
    std::istringstream lines(nm.output);
    std::string line;
    while (std::getline(lines, line)) {
        // "<address> <type> <name>"; the version node of the map file is no function.
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (type != "A")
            names.insert(name);
    }
    const std::set<std::string> expected = {
        "InitUSBKavro",      "CloseUSBKavro",   "GetDeviceNumber",  "EnumDevice",  "USBCDReset",
        "USBCDMoveto",       "USBCDGetCDDown",  "USBCDLEDON",       "USBCDLEDOFF", "USBCDGetStatus",
        "USBCDGetType",      "USBCDGetDriveCD", "USBCDMovetoDrive", "USBCDEject",  "GetDriveCounter",
        "ClearDriveCounter", "USBCDchanged",
    };
    EXPECT_EQ(names, expected) << nm.output;
}

} // namespace
} // namespace torvex::test
