#pragma once

#include "platform/DriveMounts.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// A drive letter and what stands behind it.
struct DriveMapping {
    char letter = 0;    // 'A' to 'Z'
    std::string device; // a block device ("/dev/sr0"); empty for a folder
    std::string folder; // a folder standing in for a disc; empty for a device
    bool cdrom = false; // an optical drive, or marked as one
    bool fromSettings = false;
};

// The drive letters of this computer. Stored trees name their root "E:" and the settings keep a
// drive letter, so drives keep letters here too: the optical drives (/sys/class/block/sr*, in
// number order) get D:, E:, F:, ... and the [Drives] section of the settings file maps letters
// explicitly. A value there is a path and optional flags after semicolons:
//     E=/dev/sr1            a device; a CD-ROM drive when it is one of the optical drives
//     G=/srv/discs/disc7;cdrom   a folder that acts as a CD-ROM drive
// Letters taken by the settings, and devices mapped there, are skipped by the automatic letters.
// An object is a snapshot: build a new one to see discs mounted since.
class Drives {
public:
    static constexpr std::string_view SettingsSection = "Drives";

    // What the system offers: its optical drives in order and the mounts of this process.
    struct System {
        std::vector<std::string> opticalDevices; // "/dev/sr0", "/dev/sr1", ...
        DriveMounts mounts;
    };

    // The value of a letter's key of the [Drives] section ("" when there is none).
    using SettingReader = std::function<std::string(char letter)>;

    Drives() = default;

    static std::vector<std::string>
    findOpticalDevices(const std::filesystem::path& classBlock = "/sys/class/block");
    static System readSystem();

    static Drives build(const System& system, const SettingReader& readSetting);

    // One settings value; nullopt for an empty value or a letter outside A to Z.
    static std::optional<DriveMapping> parseSetting(char letter, std::string_view value,
                                                    const std::vector<std::string>& opticalDevices);

    // The letter of a root path such as "E:\\", "e:" or "E"; 0 when it names no drive.
    static char letterOf(std::string_view rootPath);

    // In letter order.
    const std::vector<DriveMapping>& mappings() const { return m_mappings; }
    const DriveMapping* find(char letter) const;

    // The folder a letter's root stands for: the device's mount point, or the mapped folder.
    // nullopt for an unknown letter or a device that is not mounted.
    std::optional<std::filesystem::path> rootPath(char letter) const;

    // Whether the system would call the drive of this root path a CD-ROM drive.
    bool isCdRom(std::string_view rootPath) const;

    // Root paths ("D:\\") of every drive, and of the CD-ROM drives only, in letter order.
    std::vector<std::string> logicalDrives() const;
    std::vector<std::string> cdRomDrives() const;

    const DriveMounts& mounts() const { return m_mounts; }

private:
    std::vector<DriveMapping> m_mappings;
    DriveMounts m_mounts;
};

} // namespace kavro
