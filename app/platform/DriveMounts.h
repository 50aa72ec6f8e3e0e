#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// One line of /proc/self/mountinfo, with the escaped fields (\040 for a space) decoded.
struct MountEntry {
    unsigned major = 0;
    unsigned minor = 0;
    std::string root;       // the folder of the file system that is mounted ("/" for a whole one)
    std::string mountPoint; // where it is mounted
    std::string fsType;     // "iso9660", "udf", "ext4", ...
    std::string source;     // "/dev/sr0", or whatever the file system names there
    bool readOnly = false;  // mounted read-only
};

// The mounts of this process, as the kernel lists them.
class DriveMounts {
public:
    DriveMounts() = default;
    explicit DriveMounts(std::vector<MountEntry> entries) : m_entries(std::move(entries)) {}

    // Lines that do not have the fields of a mountinfo line are left out.
    static DriveMounts parse(std::string_view mountInfoText);
    // /proc/self/mountinfo; no mounts when it cannot be read.
    static DriveMounts readSystem(const std::filesystem::path& file = "/proc/self/mountinfo");

    // Octal escapes of three digits (\040, \011, \012, \134) to their bytes; other text unchanged.
    static std::string unescape(std::string_view field);

    const std::vector<MountEntry>& entries() const { return m_entries; }

    // The mount point of a block device: a whole-file-system mount of it, by source path or by
    // device number. Empty when the device is not mounted.
    std::string mountPointOf(const std::string& device, unsigned major, unsigned minor) const;

    // The mount that holds an absolute path (the longest mount point that is a prefix of it);
    // nullptr when there is none.
    const MountEntry* containing(std::string_view path) const;

private:
    std::vector<MountEntry> m_entries;
};

} // namespace kavro
