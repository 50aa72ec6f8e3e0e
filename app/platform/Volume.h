#pragma once

#include "platform/DriveMounts.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kavro {

// A volume as Windows describes it: label, serial number and file-system name.
struct Volume {
    std::string label; // UTF-8
    std::uint32_t serial = 0;
    std::string fileSystem; // "CDFS" for ISO 9660 and Joliet, "UDF", ...

    // The disc in a device, or in an image file: the volume descriptors of the last session,
    // else an audio disc's table of contents ("Audio CD", "CDFS"), else whatever libblkid
    // recognises (serial 0). nullopt when it cannot be opened or nothing is recognised.
    static std::optional<Volume> readDisc(const std::string& deviceOrImage);

    // A folder standing in for a drive: its own name as the label, a serial that is a stable
    // hash of its full path, and the name of the file system that holds it ("CDFS" and "UDF"
    // for discs, else the kernel's name such as "ext4").
    static Volume readFolder(const std::filesystem::path& folder, const DriveMounts& mounts);

    // The Windows name of a kernel file-system type.
    static std::string windowsFileSystemName(const std::string& kernelType);
};

} // namespace kavro
