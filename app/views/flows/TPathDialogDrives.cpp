#include "views/flows/TPathDialogDrives.h"

#include "platform/Drives.h"
#include "platform/Text.h"

#include <algorithm>
#include <fstream>

namespace kavro {

namespace {

namespace fs = std::filesystem;

bool sysfsFlag(const fs::path& file)
{
    std::ifstream in(file);
    char c = 0;
    return in.get(c) && c == '1';
}

// Whether folder is root or lies below it, comparing whole path components.
bool isWithin(const fs::path& folder, const fs::path& root)
{
    const fs::path f = folder.lexically_normal();
    const fs::path r = root.lexically_normal();
    auto fi = f.begin();
    for (auto ri = r.begin(); ri != r.end(); ++ri, ++fi) {
        if (ri->empty())
            continue; // the empty last component of a root written with a trailing slash
        if (fi == f.end() || *fi != *ri)
            return false;
    }
    return true;
}

std::size_t depth(const fs::path& p)
{
    std::size_t n = 0;
    for (const auto& part : p.lexically_normal())
        if (!part.empty())
            ++n;
    return n;
}

fs::path existingFolder(fs::path folder)
{
    std::error_code ec;
    folder = folder.lexically_normal();
    while (!folder.empty() && !fs::is_directory(folder, ec)) {
        const fs::path up = folder.parent_path();
        if (up == folder)
            break;
        folder = up;
    }
    return folder;
}

std::string forwardSlashes(std::string_view s)
{
    std::string out(s);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

} // namespace

bool IsRemovableMount(const MountEntry& mount, const fs::path& classBlock)
{
    if (mount.mountPoint.starts_with("/media/") || mount.mountPoint.starts_with("/run/media/"))
        return true;
    if (!mount.source.starts_with("/dev/"))
        return false;
    const fs::path device = classBlock / fs::path(mount.source).filename();
    std::error_code ec;
    if (!fs::exists(device, ec))
        return false;
    // A partition has no flag of its own; the disk it belongs to is the folder above it.
    return sysfsFlag(device / "removable") ||
           sysfsFlag(fs::canonical(device, ec).parent_path() / "removable");
}

std::vector<PickerDrive> PickerDrives(const Drives& drives, const DriveMounts& mounts,
                                      const std::function<bool(const MountEntry&)>& isRemovable)
{
    std::vector<PickerDrive> out;
    out.push_back({"/", fs::path("/"), 0});
    const auto taken = [&out](const fs::path& root) {
        return std::any_of(out.begin(), out.end(), [&](const PickerDrive& d) {
            return d.root.lexically_normal() == root.lexically_normal();
        });
    };
    for (const DriveMapping& m : drives.mappings()) {
        const auto root = drives.rootPath(m.letter);
        if (!root)
            continue; // a drive without a disc, or a mapping to nothing
        out.push_back({std::string(1, m.letter) + ":  " + root->string(), *root, m.letter});
    }
    for (const MountEntry& mount : mounts.entries()) {
        if (mount.mountPoint.empty() || mount.mountPoint == "/" || taken(mount.mountPoint))
            continue;
        if (isRemovable && isRemovable(mount))
            out.push_back({mount.mountPoint, fs::path(mount.mountPoint), 0});
    }
    return out;
}

int DriveHolding(const std::vector<PickerDrive>& drives, const fs::path& folder)
{
    int best = -1;
    std::size_t bestDepth = 0;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (!isWithin(folder, drives[i].root))
            continue;
        const std::size_t d = depth(drives[i].root);
        if (best < 0 || d > bestDepth) {
            best = static_cast<int>(i);
            bestDepth = d;
        }
    }
    return best;
}

PickerStart ResolvePickerStart(std::string_view backupPath, const std::vector<PickerDrive>& drives,
                               const fs::path& programFolder)
{
    PickerStart start;
    const auto atFolder = [&](const fs::path& wanted) {
        start.folder = existingFolder(wanted.is_absolute() ? wanted : programFolder / wanted);
        start.drive = DriveHolding(drives, start.folder);
        return start;
    };
    if (backupPath.size() >= 2 && backupPath[1] == ':') {
        const char letter = text::upperAscii(backupPath.substr(0, 1))[0];
        for (std::size_t i = 0; i < drives.size(); ++i) {
            if (letter == 0 || drives[i].letter != letter)
                continue;
            start.drive = static_cast<int>(i);
            std::string rest = forwardSlashes(backupPath.substr(2));
            rest.erase(0, rest.find_first_not_of('/'));
            if (!rest.empty())
                start.folder = existingFolder(drives[i].root / rest);
            return start;
        }
        // A letter this computer does not have: the default folder rather than an error.
        return atFolder(programFolder / "Backup");
    }
    if (backupPath.empty())
        return atFolder(programFolder / "Backup");
    return atFolder(fs::path(forwardSlashes(backupPath)));
}

} // namespace kavro
