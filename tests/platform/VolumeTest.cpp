#include "platform/Volume.h"
#include "platform/DriveMounts.h"
#include "platform/VolumeDescriptors.h"
#include "platform/WindowsSerial.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kavro;
using kavro::test::TempDir;

namespace {

constexpr std::size_t Sector = 2048;

using Descriptor = std::vector<std::uint8_t>;

// The serial as Windows' CDFS sums it: a byte counter running down from the length, adding each
// byte into one byte of a little-endian 32-bit number chosen by the low bits of the counter.
std::uint32_t windowsLoopSerial(const Descriptor& d)
{
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    std::size_t count = d.size();
    const std::uint8_t* p = d.data();
    while (count--)
        bytes[count & 3] = static_cast<std::uint8_t>(bytes[count & 3] + *p++);
    std::uint32_t serial = 0;
    std::memcpy(&serial, bytes, 4); // little-endian host
    return serial;
}

Descriptor descriptor(std::uint8_t type, const char* id = "CD001")
{
    Descriptor d(Sector, 0);
    d[0] = type;
    std::memcpy(&d[1], id, 5);
    d[6] = 1;
    // Fill the rest with varied bytes so that every lane's sum differs.
    for (std::size_t i = 8; i < Sector; ++i)
        if (i < 40 || i >= 72)
            d[i] = static_cast<std::uint8_t>((i * 131 + type * 7) & 0xFF);
    return d;
}

Descriptor primary(const std::string& label)
{
    Descriptor d = descriptor(1);
    std::memset(&d[40], ' ', 32);
    std::memcpy(&d[40], label.data(), label.size());
    return d;
}

// A supplementary descriptor with a UCS-2 big-endian label and the given escape sequence.
Descriptor supplementary(const std::u16string& label, const char* escape)
{
    Descriptor d = descriptor(2);
    for (std::size_t i = 0; i < 16; ++i) {
        const char16_t c = i < label.size() ? label[i] : u' ';
        d[40 + 2 * i] = static_cast<std::uint8_t>(c >> 8);
        d[41 + 2 * i] = static_cast<std::uint8_t>(c & 0xFF);
    }
    std::memset(&d[88], 0, 32);
    std::memcpy(&d[88], escape, std::strlen(escape));
    return d;
}

// An image file: 16 empty sectors, then the descriptors in order.
std::filesystem::path writeImage(const TempDir& dir, const std::vector<Descriptor>& descriptors)
{
    std::string bytes(16 * Sector, '\0');
    for (const Descriptor& d : descriptors)
        bytes.append(reinterpret_cast<const char*>(d.data()), d.size());
    bytes.append(4 * Sector, '\0');
    return dir.write("disc.iso", bytes);
}

} // namespace

TEST(WindowsSerial, LaneZeroIsTheHighestByte)
{
    Descriptor d(Sector, 0);
    d[0] = 0x12;
    d[1] = 0x34;
    d[2] = 0x56;
    d[3] = 0x78;
    d[4] = 0x01;    // lane 0 again
    d[2047] = 0xFF; // lane 3
    d[2043] = 0x02; // lane 3: 0x78 + 0xFF + 0x02 wraps to 0x79
    EXPECT_EQ(windowsserial::descriptorSerial(d), 0x13345679u);
    EXPECT_EQ(windowsserial::descriptorSerial(d), windowsLoopSerial(d));
}

TEST(WindowsSerial, AgreesWithTheByteCounterFormOnAFullDescriptor)
{
    const Descriptor d = primary("ANY_LABEL");
    EXPECT_EQ(windowsserial::descriptorSerial(d), windowsLoopSerial(d));
    EXPECT_NE(windowsLoopSerial(d), 0u);
}

TEST(WindowsSerial, AudioDiscsSumTheirTrackStartsAsPackedMsf)
{
    // Starts 0, 15000, 30000 are 00:02:00, 03:22:00, 06:42:00 with the lead-in.
    EXPECT_EQ(windowsserial::audioSerial({0, 15000, 30000}, 45000), 0x000200u + 0x031600u + 0x062A00u);
    // Two tracks or fewer: the length to the lead-out in frames is added.
    EXPECT_EQ(windowsserial::audioSerial({0, 15000}, 30000), 30000u + 0x000200u + 0x031600u);
    EXPECT_EQ(windowsserial::audioSerial({32}, 1000), 968u + 0x000220u); // 182 frames = 00:02:32
    EXPECT_EQ(windowsserial::audioSerial({}, 1000), 0u);
}

TEST(Volume, JolietDescriptorGivesTheLabelAndTheSerial)
{
    TempDir dir;
    const Descriptor pvd = primary("PRIMARY_LABEL");
    const Descriptor svd = supplementary(u"Photos 2024 \u5149\u789F", "%/E");
    const auto image = writeImage(dir, {pvd, svd, descriptor(255)});

    const auto volume = Volume::readDisc(image.string());
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->label, "Photos 2024 \xE5\x85\x89\xE7\xA2\x9F");
    EXPECT_EQ(volume->serial, windowsLoopSerial(svd));
    EXPECT_NE(volume->serial, windowsLoopSerial(pvd));
    EXPECT_EQ(volume->fileSystem, "CDFS");
}

TEST(Volume, WithoutJolietThePrimaryDescriptorCounts)
{
    TempDir dir;
    const Descriptor pvd = primary("MY_DISC");
    // A supplementary descriptor without a Joliet escape is not taken.
    const auto image = writeImage(dir, {pvd, supplementary(u"NOT JOLIET", "%/X"), descriptor(255)});

    const auto volume = Volume::readDisc(image.string());
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->label, "MY_DISC");
    EXPECT_EQ(volume->serial, windowsLoopSerial(pvd));
    EXPECT_EQ(volume->fileSystem, "CDFS");
}

TEST(Volume, UdfRecognitionSequenceNamesTheFileSystemUdf)
{
    TempDir dir;
    const Descriptor pvd = primary("BRIDGE");
    const auto image = writeImage(
        dir, {pvd, descriptor(255), descriptor(0, "BEA01"), descriptor(0, "NSR02"), descriptor(0, "TEA01")});
    const auto volume = Volume::readDisc(image.string());
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->fileSystem, "UDF");
    EXPECT_EQ(volume->serial, windowsLoopSerial(pvd));
}

TEST(Volume, DescriptorsAreReadFromTheSessionStart)
{
    const Descriptor pvd = primary("SESSION2");
    const auto reader = [&](std::uint32_t sector, std::uint8_t* buffer) {
        if (sector == 1000 + 16) {
            std::memcpy(buffer, pvd.data(), Sector);
            return true;
        }
        if (sector > 2000)
            return false;
        std::memset(buffer, 0, Sector);
        return true;
    };
    EXPECT_FALSE(VolumeDescriptors::read(reader, 0));
    const auto found = VolumeDescriptors::read(reader, 1000);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->label, "SESSION2");
    EXPECT_FALSE(found->joliet);
}

TEST(Volume, UnrecognisedOrMissingDiscsAreNotRead)
{
    TempDir dir;
    const auto zeros = dir.write("zeros.bin", std::string(40 * Sector, '\0'));
    EXPECT_FALSE(Volume::readDisc(zeros.string()));
    const auto shortFile = dir.write("short.bin", "CD001");
    EXPECT_FALSE(Volume::readDisc(shortFile.string()));
    EXPECT_FALSE(Volume::readDisc((dir / "missing.iso").string()));
}

TEST(Volume, AFolderReadsAsItsNameAStableSerialAndItsFileSystem)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "MyDisc");
    std::filesystem::create_directories(dir / "Other");
    const DriveMounts mounts({MountEntry{0, 0, "/", "/", "ext4", "/dev/vda1", false},
                              MountEntry{0, 0, "/", dir.path().string(), "iso9660", "/dev/loop3", true}});
    const Volume a = Volume::readFolder(dir / "MyDisc", mounts);
    EXPECT_EQ(a.label, "MyDisc");
    EXPECT_EQ(a.fileSystem, "CDFS");
    EXPECT_EQ(Volume::readFolder(dir / "MyDisc/", mounts).serial, a.serial);
    EXPECT_NE(Volume::readFolder(dir / "Other", mounts).serial, a.serial);
    EXPECT_EQ(Volume::readFolder(dir / "Other", DriveMounts({MountEntry{0, 0, "/", "/", "ext4", "x", false}}))
                  .fileSystem,
              "ext4");
}
