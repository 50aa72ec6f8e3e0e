#include "platform/Volume.h"

#include "platform/VolumeDescriptors.h"
#include "platform/WindowsSerial.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace kavro {

namespace fs = std::filesystem;

namespace {

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readFully(int fd, std::uint8_t* buffer, std::size_t bytes, off_t offset)
{
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::pread(fd, buffer + done, bytes - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The start of the last session of a multisession disc; 0 otherwise or when unknown.
std::uint32_t lastSessionStart(int fd)
{
    cdrom_multisession ms{};
    ms.addr_format = CDROM_LBA;
    if (::ioctl(fd, CDROMMULTISESSION, &ms) != 0 || ms.xa_flag == 0 || ms.addr.lba < 0)
        return 0;
    return static_cast<std::uint32_t>(ms.addr.lba);
}

// An audio disc's Windows serial from the table of contents; nullopt for a data disc or when
// the drive has no table of contents to give.
std::optional<std::uint32_t> audioDiscSerial(int fd)
{
    cdrom_tochdr header{};
    if (::ioctl(fd, CDROMREADTOCHDR, &header) != 0 || header.cdth_trk0 == 0 ||
        header.cdth_trk1 < header.cdth_trk0)
        return std::nullopt;
    std::vector<std::uint32_t> starts;
    bool firstIsAudio = false;
    for (int track = header.cdth_trk0; track <= header.cdth_trk1; ++track) {
        cdrom_tocentry entry{};
        entry.cdte_track = static_cast<std::uint8_t>(track);
        entry.cdte_format = CDROM_LBA;
        if (::ioctl(fd, CDROMREADTOCENTRY, &entry) != 0 || entry.cdte_addr.lba < 0)
            return std::nullopt;
        if (track == header.cdth_trk0)
            firstIsAudio = (entry.cdte_ctrl & CDROM_DATA_TRACK) == 0;
        starts.push_back(static_cast<std::uint32_t>(entry.cdte_addr.lba));
    }
    if (!firstIsAudio)
        return std::nullopt;
    cdrom_tocentry leadOut{};
    leadOut.cdte_track = CDROM_LEADOUT;
    leadOut.cdte_format = CDROM_LBA;
    if (::ioctl(fd, CDROMREADTOCENTRY, &leadOut) != 0 || leadOut.cdte_addr.lba < 0)
        return std::nullopt;
    return windowsserial::audioSerial(starts, static_cast<std::uint32_t>(leadOut.cdte_addr.lba));
}

struct ProbeResult {
    std::string type;
    std::string label;
};

std::optional<ProbeResult> probeWithBlkid(const std::string& path)
{
    blkid_probe probe = blkid_new_probe_from_filename(path.c_str());
    if (probe == nullptr)
        return std::nullopt;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE);
    std::optional<ProbeResult> result;
    if (blkid_do_safeprobe(probe) == 0) {
        ProbeResult r;
        const char* value = nullptr;
        std::size_t length = 0;
        if (blkid_probe_lookup_value(probe, "TYPE", &value, &length) == 0 && value != nullptr)
            r.type = value;
        if (blkid_probe_lookup_value(probe, "LABEL", &value, &length) == 0 && value != nullptr)
            r.label = value;
        if (!r.type.empty())
            result = std::move(r);
    }
    blkid_free_probe(probe);
    return result;
}

// 32-bit FNV-1a: the same folder gives the same serial on every run.
std::uint32_t stableHash(const std::string& bytes)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

std::string Volume::windowsFileSystemName(const std::string& kernelType)
{
    if (kernelType == "iso9660")
        return "CDFS";
    if (kernelType == "udf")
        return "UDF";
    if (kernelType == "vfat")
        return "FAT32";
    if (kernelType == "ntfs" || kernelType == "ntfs3")
        return "NTFS";
    return kernelType;
}

std::optional<Volume> Volume::readDisc(const std::string& deviceOrImage)
{
    const FileHandle file(::open(deviceOrImage.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    struct stat st {};
    const bool isDevice = ::fstat(file.get(), &st) == 0 && S_ISBLK(st.st_mode);
    const std::uint32_t session = isDevice ? lastSessionStart(file.get()) : 0;

    const auto readSector = [&](std::uint32_t sector, std::uint8_t* buffer) {
        const off_t offset = static_cast<off_t>(sector) * VolumeDescriptors::SectorBytes;
        return readFully(file.get(), buffer, VolumeDescriptors::SectorBytes, offset);
    };
    if (const auto descriptors = VolumeDescriptors::read(readSector, session)) {
        Volume volume;
        volume.serial = descriptors->serial;
        volume.label = descriptors->label;
        // A UDF bridge disc is mounted as UDF, and its label is the UDF one.
        if (descriptors->udf) {
            volume.fileSystem = "UDF";
            if (const auto probe = probeWithBlkid(deviceOrImage); probe && probe->type == "udf")
                volume.label = probe->label;
        } else {
            volume.fileSystem = "CDFS";
        }
        return volume;
    }
    if (isDevice) {
        if (const auto serial = audioDiscSerial(file.get()))
            return Volume{"Audio CD", *serial, "CDFS"};
    }
    if (const auto probe = probeWithBlkid(deviceOrImage))
        return Volume{probe->label, 0, windowsFileSystemName(probe->type)};
    return std::nullopt;
}

Volume Volume::readFolder(const fs::path& folder, const DriveMounts& mounts)
{
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(folder, ec), ec);
    if (ec)
        full = folder;
    Volume volume;
    volume.label = full.filename().string();
    if (volume.label.empty() && full.has_parent_path())
        volume.label = full.parent_path().filename().string();
    volume.serial = stableHash(full.string());
    if (const MountEntry* mount = mounts.containing(full.string()))
        volume.fileSystem = windowsFileSystemName(mount->fsType);
    return volume;
}

} // namespace kavro
