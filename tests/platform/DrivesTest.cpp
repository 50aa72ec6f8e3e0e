#include "platform/Drives.h"
#include "platform/DriveMounts.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace kavro;

namespace {

const std::vector<std::string> ThreeDrives{"/dev/sr0", "/dev/sr1", "/dev/sr2"};

Drives::SettingReader settingsOf(std::map<char, std::string> values)
{
    return [values = std::move(values)](char letter) {
        const auto it = values.find(letter);
        return it == values.end() ? std::string() : it->second;
    };
}

// A mountinfo text as the kernel writes it: optional fields before the "-", escaped spaces.
const char* const SampleMountInfo =
    "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
    "35 22 0:31 / /tmp rw,nosuid shared:14 - tmpfs tmpfs rw,size=4096k\n"
    "61 22 11:0 / /media/ann/MY\\040DISC\\011ONE ro,nosuid,nodev master:9 shared:30 - iso9660 /dev/sr0 "
    "ro,uid=1000\n"
    "62 22 11:1 /sub /srv/bind rw - udf /dev/sr1 rw\n"
    "this line is not a mount\n"
    "63 22 x:y / /broken rw - ext4 /dev/vdb rw\n"
    "64 22 7:0 / /mnt/back\\134slash rw - iso9660 /dev/loop0 ro\n";

} // namespace

TEST(DriveMounts, UnescapesOctalBytesAndLeavesOtherBackslashesAlone)
{
    EXPECT_EQ(DriveMounts::unescape("/media/MY\\040DISC"), "/media/MY DISC");
    EXPECT_EQ(DriveMounts::unescape("a\\011b\\012c\\134d"), "a\tb\nc\\d");
    // Not three octal digits, or past a byte: kept as written.
    EXPECT_EQ(DriveMounts::unescape("x\\08"), "x\\08");
    EXPECT_EQ(DriveMounts::unescape("x\\400"), "x\\400");
    EXPECT_EQ(DriveMounts::unescape("end\\04"), "end\\04");
    EXPECT_EQ(DriveMounts::unescape("end\\"), "end\\");
}

TEST(DriveMounts, ParsesKernelLinesAndSkipsBrokenOnes)
{
    const DriveMounts mounts = DriveMounts::parse(SampleMountInfo);
    ASSERT_EQ(mounts.entries().size(), 5u);
    const MountEntry& disc = mounts.entries()[2];
    EXPECT_EQ(disc.major, 11u);
    EXPECT_EQ(disc.minor, 0u);
    EXPECT_EQ(disc.root, "/");
    EXPECT_EQ(disc.mountPoint, "/media/ann/MY DISC\tONE");
    EXPECT_EQ(disc.fsType, "iso9660");
    EXPECT_EQ(disc.source, "/dev/sr0");
    EXPECT_TRUE(disc.readOnly);
    EXPECT_FALSE(mounts.entries()[0].readOnly);
    EXPECT_EQ(mounts.entries()[4].mountPoint, "/mnt/back\\slash");
}

TEST(DriveMounts, FindsADeviceMountOnlyWhereTheWholeFileSystemIsMounted)
{
    const DriveMounts mounts = DriveMounts::parse(SampleMountInfo);
    EXPECT_EQ(mounts.mountPointOf("/dev/sr0", 0, 0), "/media/ann/MY DISC\tONE");
    // By device number when the path differs (a /dev/cdrom link).
    EXPECT_EQ(mounts.mountPointOf("/dev/cdrom", 11, 0), "/media/ann/MY DISC\tONE");
    // sr1 is mounted only as a bind of one of its folders.
    EXPECT_EQ(mounts.mountPointOf("/dev/sr1", 11, 1), "");
    EXPECT_EQ(mounts.mountPointOf("/dev/sr2", 0, 0), "");
}

TEST(DriveMounts, ContainingTakesTheLongestMountPointOnAPathBoundary)
{
    const DriveMounts mounts = DriveMounts::parse(SampleMountInfo);
    ASSERT_NE(mounts.containing("/tmp/x/y"), nullptr);
    EXPECT_EQ(mounts.containing("/tmp/x/y")->fsType, "tmpfs");
    EXPECT_EQ(mounts.containing("/tmp")->fsType, "tmpfs");
    // "/tmpfoo" is not below "/tmp".
    EXPECT_EQ(mounts.containing("/tmpfoo")->fsType, "ext4");
    EXPECT_EQ(DriveMounts().containing("/tmp"), nullptr);
}

TEST(Drives, SettingValuesMapDevicesAndFolders)
{
    const auto sr1 = Drives::parseSetting('e', "/dev/sr1", ThreeDrives);
    ASSERT_TRUE(sr1);
    EXPECT_EQ(sr1->letter, 'E');
    EXPECT_EQ(sr1->device, "/dev/sr1");
    EXPECT_TRUE(sr1->folder.empty());
    EXPECT_TRUE(sr1->cdrom);

    const auto disk = Drives::parseSetting('F', "/dev/sdb1", ThreeDrives);
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->device, "/dev/sdb1");
    EXPECT_FALSE(disk->cdrom);
    EXPECT_TRUE(Drives::parseSetting('F', "/dev/sdb1;cdrom", ThreeDrives)->cdrom);

    const auto folder = Drives::parseSetting('G', "  /srv/discs/Disc 7 ; CDROM ", ThreeDrives);
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->folder, "/srv/discs/Disc 7");
    EXPECT_TRUE(folder->device.empty());
    EXPECT_TRUE(folder->cdrom);
    EXPECT_FALSE(Drives::parseSetting('G', "/srv/discs;other", ThreeDrives)->cdrom);

    EXPECT_FALSE(Drives::parseSetting('H', "", ThreeDrives));
    EXPECT_FALSE(Drives::parseSetting('H', "   ;cdrom", ThreeDrives));
    EXPECT_FALSE(Drives::parseSetting('1', "/srv", ThreeDrives));
}

TEST(Drives, OpticalDrivesTakeTheLettersTheSettingsLeaveFree)
{
    const Drives drives =
        Drives::build(Drives::System{ThreeDrives, {}},
                      settingsOf({{'E', "/srv/disc;cdrom"}, {'G', "/dev/sr1"}, {'K', "/home/x"}}));
    ASSERT_EQ(drives.mappings().size(), 5u);
    EXPECT_EQ(drives.find('D')->device, "/dev/sr0");
    EXPECT_EQ(drives.find('E')->folder, "/srv/disc");
    EXPECT_EQ(drives.find('F')->device, "/dev/sr2"); // sr1 keeps its letter from the settings
    EXPECT_EQ(drives.find('G')->device, "/dev/sr1");
    EXPECT_EQ(drives.find('g'), drives.find('G'));
    EXPECT_FALSE(drives.find('D')->fromSettings);
    EXPECT_TRUE(drives.find('G')->fromSettings);
    EXPECT_EQ(drives.logicalDrives(), (std::vector<std::string>{"D:\\", "E:\\", "F:\\", "G:\\", "K:\\"}));
    EXPECT_EQ(drives.cdRomDrives(), (std::vector<std::string>{"D:\\", "E:\\", "F:\\", "G:\\"}));
}

TEST(Drives, NoOpticalDrivesAndNoSettingsMeansNoDrives)
{
    const Drives drives = Drives::build(Drives::System{}, settingsOf({}));
    EXPECT_TRUE(drives.mappings().empty());
    EXPECT_TRUE(drives.logicalDrives().empty());
    EXPECT_FALSE(drives.isCdRom("D:\\"));
    EXPECT_FALSE(drives.rootPath('D'));
}

TEST(Drives, CdRomTestAcceptsTheUsualSpellingsOfARootPath)
{
    const Drives drives =
        Drives::build(Drives::System{{"/dev/sr0"}, {}}, settingsOf({{'E', "/srv/e;cdrom"}, {'H', "/srv/h"}}));
    for (const char* root : {"E:\\", "e:\\", "E:", "E", "E:/", "D:\\"})
        EXPECT_TRUE(drives.isCdRom(root)) << root;
    for (const char* root : {"H:\\", "Z:\\", "", "EE", "E:\\x", "1:\\"})
        EXPECT_FALSE(drives.isCdRom(root)) << root;
    EXPECT_EQ(Drives::letterOf("e:\\"), 'E');
    EXPECT_EQ(Drives::letterOf("E:\\folder"), 0);
}

TEST(Drives, RootPathIsTheMountPointOrTheMappedFolder)
{
    const Drives drives = Drives::build(Drives::System{ThreeDrives, DriveMounts::parse(SampleMountInfo)},
                                        settingsOf({{'H', "/srv/h"}}));
    EXPECT_EQ(drives.rootPath('D'), std::filesystem::path("/media/ann/MY DISC\tONE"));
    EXPECT_FALSE(drives.rootPath('E')); // sr1: only a bind mount of a folder
    EXPECT_FALSE(drives.rootPath('F')); // sr2: not mounted
    EXPECT_EQ(drives.rootPath('H'), std::filesystem::path("/srv/h"));
    EXPECT_FALSE(drives.rootPath('Q'));
}

TEST(Drives, OpticalDevicesAreFoundInNumberOrder)
{
    kavro::test::TempDir sys;
    for (const char* name : {"sr10", "sda", "sr2", "sr0", "srx", "loop0", "sr"})
        std::filesystem::create_directory(sys / name);
    EXPECT_EQ(Drives::findOpticalDevices(sys.path()),
              (std::vector<std::string>{"/dev/sr0", "/dev/sr2", "/dev/sr10"}));
    EXPECT_TRUE(Drives::findOpticalDevices(sys / "missing").empty());
}
