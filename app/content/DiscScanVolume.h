#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

class Clock;
class Drives;

// A disc's volume data as the record keeps it in its Misc1 lines.
struct VolumeInfo {
    std::string volume;     // label, at most 254 bytes
    std::string serial;     // the Windows serial number, unsigned decimal
    std::string fileSystem; // "CDFS", "UDF", ...
};

// Reads the volume data of the drive with this root path ("E:\\"). nullopt when the drive is not
// read: not a CD-ROM drive, or no disc can be listed in it. Pending window events run before and
// after the first look at the drive, while it spins up.
//
// A drive letter that stands for a device reads the disc itself, mounted or not (an audio CD is
// never mounted but still reads as "Audio CD"). A folder reads as its own name, a hash of its
// path and its file system, unless a disc device is mounted right there: then the disc is read.
std::optional<VolumeInfo> ReadVolumeInfo(std::string_view rootPath, const Drives& drives, Clock& clock);

} // namespace kavro
