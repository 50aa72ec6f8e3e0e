#pragma once

#include "platform/DriveMounts.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Drives;

// One entry of the folder picker's drive box.
struct PickerDrive {
    std::string label;          // what the box shows: "/", "E:  /media/cdrom", "/media/me/STICK"
    std::filesystem::path root; // the folder the folder list starts from
    char letter = 0;            // the drive letter, 0 for "/" and plain mounts
};

// Whether a mount holds a removable medium: its block device (or the disk the partition is on)
// says so in sysfs, or the desktop mounted it under /media or /run/media.
bool IsRemovableMount(const MountEntry& mount, const std::filesystem::path& classBlock = "/sys/class/block");

// The drives the picker offers: "/" first, then the drive letters whose root can be reached (their
// letter keeps the "X:" form of BackupPath meaningful), then the other removable media.
std::vector<PickerDrive> PickerDrives(const Drives& drives, const DriveMounts& mounts,
                                      const std::function<bool(const MountEntry&)>& isRemovable);

// Where the picker opens, from the BackupPath setting.
struct PickerStart {
    int drive = -1;               // drive box entry to select; -1 keeps the box as it is
    std::filesystem::path folder; // folder to move to; empty keeps the folder list where it is
};

// "X:" followed by a folder selects drive X and the folder below its root ("X:" alone selects
// the drive only); any other value is a folder (relative ones below the program folder); an empty
// value opens the program folder's Backup folder. A folder that does not exist gives way to the
// nearest one above it that does.
PickerStart ResolvePickerStart(std::string_view backupPath, const std::vector<PickerDrive>& drives,
                               const std::filesystem::path& programFolder);

// The drive box entry whose root holds folder (the longest such root); -1 when none does.
int DriveHolding(const std::vector<PickerDrive>& drives, const std::filesystem::path& folder);

} // namespace kavro
