#include "platform/LibcdioTocReader.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace kavro {
namespace {

// A disc image: a cue sheet and a sparse raw file of 2352-byte sectors.
std::string writeImage(const test::TempDir& dir, const std::string& tracks, int sectors)
{
    const auto bin = dir.write("disc.bin", "");
    std::filesystem::resize_file(bin, static_cast<std::uintmax_t>(sectors) * 2352);
    return dir.write("disc.cue", "FILE \"disc.bin\" BINARY\n" + tracks).string();
}

TEST(LibcdioTocReader, AudioImage)
{
    test::TempDir dir;
    const std::string cue = writeImage(dir,
                                       "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                       "  TRACK 02 AUDIO\n    INDEX 01 02:30:10\n"
                                       "  TRACK 03 AUDIO\n    INDEX 01 05:00:00\n",
                                       7 * 60 * 75);
    test::VirtualClock clock;
    LibcdioTocReader reader;
    const CdTocResult result = reader.read(cue, clock);
    ASSERT_TRUE(result) << result.error.code << " " << result.error.text;
    // Positions count the two seconds of lead-in.
    EXPECT_EQ(result.toc->trackStarts, (std::vector<int>{150, 150 + 150 * 75 + 10, 150 + 300 * 75}));
    EXPECT_EQ(result.toc->leadOut, 150 + 7 * 60 * 75);
    EXPECT_TRUE(clock.sleeps.empty()); // an image has no tray to wait for
}

TEST(LibcdioTocReader, DataOnlyDiscIsNotLookedUp)
{
    test::TempDir dir;
    const std::string cue = writeImage(dir, "  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n", 1000);
    test::VirtualClock clock;
    LibcdioTocReader reader;
    const CdTocResult result = reader.read(cue, clock);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error.code, EMEDIUMTYPE);
    EXPECT_FALSE(result.error.text.empty());
}

TEST(LibcdioTocReader, MissingDevice)
{
    test::TempDir dir;
    test::VirtualClock clock;
    LibcdioTocReader reader;
    const CdTocResult missing = reader.read((dir / "sr9").string(), clock);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error.code, ENOENT);
    EXPECT_EQ(missing.error.text, "No such file or directory");
    EXPECT_EQ(reader.read("", clock).error.code, ENOENT);

    // A file libcdio cannot make sense of.
    const CdTocResult garbage = reader.read(dir.write("noise.cue", "not a cue sheet\n").string(), clock);
    ASSERT_FALSE(garbage);
    EXPECT_NE(garbage.error.code, 0);
}

} // namespace
} // namespace kavro
