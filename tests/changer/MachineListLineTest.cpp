// A machine name from dbid.txt as it is kept: cut to the width of its column and then trimmed,
// so the name in memory is the one that reads back from CDDEVICE at the next start.
#include "changer/MachineRegistry.h"

#include <gtest/gtest.h>

#include <string>

namespace kavro {
namespace {

TEST(MachineListLine, NameCutAtItsWidthLosesTheBlanksBeforeTheCut)
{
    const std::string kept(63, 'a');
    const MachineListLine line = ParseMachineListLine("7," + kept + "   tail,KZ350VN");
    EXPECT_EQ(line.id, 7);
    ASSERT_TRUE(line.hasName);
    EXPECT_EQ(line.name, kept);
}

} // namespace
} // namespace kavro
