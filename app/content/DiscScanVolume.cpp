#include "content/DiscScanVolume.h"

#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Text.h"
#include "platform/Volume.h"

#include <dirent.h>

#include <system_error>

namespace kavro {

namespace {

constexpr std::size_t MaxVolumeText = 254;

bool canList(const std::filesystem::path& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    ::closedir(dir);
    return true;
}

// A disc device mounted exactly on the folder (a loop-mounted image, say).
std::string deviceMountedOn(const std::filesystem::path& folder, const DriveMounts& mounts)
{
    std::error_code ec;
    const std::string full = std::filesystem::weakly_canonical(folder, ec).string();
    for (const MountEntry& m : mounts.entries())
        if (m.root == "/" && m.mountPoint == full && m.source.starts_with("/dev/") &&
            (m.fsType == "iso9660" || m.fsType == "udf"))
            return m.source;
    return {};
}

VolumeInfo toInfo(const Volume& volume)
{
    VolumeInfo info;
    info.volume = text::cutUtf8(volume.label, MaxVolumeText);
    info.serial = std::to_string(volume.serial);
    info.fileSystem = text::cutUtf8(volume.fileSystem, MaxVolumeText);
    return info;
}

} // namespace

std::optional<VolumeInfo> ReadVolumeInfo(std::string_view rootPath, const Drives& drives, Clock& clock)
{
    if (!drives.isCdRom(rootPath))
        return std::nullopt;
    const DriveMapping* mapping = drives.find(Drives::letterOf(rootPath));
    if (mapping == nullptr)
        return std::nullopt;

    clock.processEvents();
    const auto root = drives.rootPath(mapping->letter);
    const bool listed = root && canList(*root);
    clock.processEvents();

    if (!mapping->device.empty()) {
        // Reading the disc is what tells a drive with a disc from one without.
        if (const auto volume = Volume::readDisc(mapping->device))
            return toInfo(*volume);
        if (!listed)
            return std::nullopt;
        // Mounted but the device is not open to us (no access to the drive itself): the desktop
        // mounts a disc under its label, and the mount names its file system. The serial stays
        // unknown rather than made up.
        Volume mounted;
        mounted.label = root->filename().string();
        if (const MountEntry* m = drives.mounts().containing(root->string()))
            mounted.fileSystem = Volume::windowsFileSystemName(m->fsType);
        return toInfo(mounted);
    }
    if (!listed)
        return std::nullopt;
    if (const std::string device = deviceMountedOn(*root, drives.mounts()); !device.empty()) {
        if (const auto volume = Volume::readDisc(device))
            return toInfo(*volume);
    }
    return toInfo(Volume::readFolder(*root, drives.mounts()));
}

} // namespace kavro
