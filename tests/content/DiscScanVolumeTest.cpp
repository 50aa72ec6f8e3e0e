#include "ScanTestSupport.h"

#include "content/DiscScanDrives.h"
#include "content/DiscScanVolume.h"
#include "shell/Settings.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using namespace kavro;
using namespace kavro::test;
namespace fs = std::filesystem;

TEST(ReadVolumeInfo, FolderMarkedAsCdRomReadsItsNameAndASerial)
{
    TempDir dir;
    fs::create_directories(dir / "Holiday Photos");
    VirtualClock clock;
    const Drives drives = driveE((dir / "Holiday Photos").string());
    const auto info = ReadVolumeInfo("E:\\", drives, clock);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->volume, "Holiday Photos");
    ASSERT_FALSE(info->serial.empty());
    EXPECT_TRUE(
        std::all_of(info->serial.begin(), info->serial.end(), [](char c) { return std::isdigit(c); }));
    EXPECT_LE(std::stoull(info->serial), 4294967295ULL);
    // Events run before and after the first look at the drive.
    EXPECT_EQ(clock.eventRuns, 2);
    // The same folder gives the same serial every time.
    EXPECT_EQ(ReadVolumeInfo("e:", drives, clock)->serial, info->serial);
}

TEST(ReadVolumeInfo, DrivesThatAreNotCdRomDrivesOrHaveNoDiscAreNotRead)
{
    TempDir dir;
    VirtualClock clock;
    fs::create_directories(dir / "plain");
    EXPECT_FALSE(ReadVolumeInfo("E:\\", driveE((dir / "plain").string(), false), clock));
    EXPECT_EQ(clock.eventRuns, 0); // not even looked at
    EXPECT_FALSE(ReadVolumeInfo("E:\\", driveE((dir / "missing").string()), clock));
    EXPECT_FALSE(ReadVolumeInfo("Q:\\", driveE((dir / "plain").string()), clock));
    EXPECT_FALSE(ReadVolumeInfo("", driveE((dir / "plain").string()), clock));
}

TEST(ReadVolumeInfo, DeviceWithoutDiscIsNotRead)
{
    VirtualClock clock;
    const Drives drives = Drives::build(Drives::System{{"/dev/kavro-test-no-such-sr9"}, {}},
                                        [](char) { return std::string(); });
    ASSERT_TRUE(drives.isCdRom("D:\\"));
    EXPECT_FALSE(ReadVolumeInfo("D:\\", drives, clock));
}

TEST(ReadDrives, DrivesSectionOfTheSettingsFileMapsLetters)
{
    TempDir dir;
    const auto ini =
        dir.write("Kavro.ini", "[System]\r\nCdrom=E:\r\n[Drives]\r\nE=" + (dir / "disc").string() +
                                   ";cdrom\r\nh = /dev/sdz1\r\nK=\r\n");
    const Settings settings(ini);
    const Drives drives = ReadDrives(settings, Drives::System{{"/dev/sr0"}, {}});
    ASSERT_EQ(drives.mappings().size(), 3u);
    EXPECT_EQ(drives.find('D')->device, "/dev/sr0");
    EXPECT_EQ(drives.find('E')->folder, (dir / "disc").string());
    EXPECT_TRUE(drives.find('E')->cdrom);
    EXPECT_EQ(drives.find('H')->device, "/dev/sdz1");
    EXPECT_FALSE(drives.find('H')->cdrom);
    EXPECT_EQ(drives.find('K'), nullptr);
}
