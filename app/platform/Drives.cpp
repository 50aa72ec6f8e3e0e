#include "platform/Drives.h"

#include "platform/Text.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <system_error>

namespace kavro {

namespace fs = std::filesystem;

namespace {

char upperLetter(char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'Z')
        return c;
    return 0;
}

// "sr12" -> 12; -1 for other names.
int opticalNumber(std::string_view name)
{
    if (name.size() < 3 || name.substr(0, 2) != "sr")
        return -1;
    int number = 0;
    const auto [ptr, ec] = std::from_chars(name.data() + 2, name.data() + name.size(), number);
    if (ec != std::errc() || ptr != name.data() + name.size())
        return -1;
    return number;
}

bool isBlockDevice(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

// /dev/cdrom and /dev/disk/by-id links name the same drive as /dev/sr0.
std::string resolvedDevice(const std::string& path)
{
    std::error_code ec;
    const fs::path canonical = fs::canonical(path, ec);
    return ec ? path : canonical.string();
}

std::string rootPathText(char letter)
{
    return std::string{letter, ':', '\\'};
}

} // namespace

std::vector<std::string> Drives::findOpticalDevices(const fs::path& classBlock)
{
    std::vector<std::pair<int, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(classBlock, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int number = opticalNumber(name);
        if (number >= 0)
            found.emplace_back(number, "/dev/" + name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> devices;
    for (auto& [number, device] : found)
        devices.push_back(std::move(device));
    return devices;
}

Drives::System Drives::readSystem()
{
    return System{findOpticalDevices(), DriveMounts::readSystem()};
}

std::optional<DriveMapping> Drives::parseSetting(char letter, std::string_view value,
                                                 const std::vector<std::string>& opticalDevices)
{
    letter = upperLetter(letter);
    if (letter == 0)
        return std::nullopt;
    const std::size_t semicolon = value.find(';');
    const std::string path = text::trimBlanks(value.substr(0, semicolon));
    if (path.empty())
        return std::nullopt;
    bool marked = false;
    if (semicolon != std::string_view::npos) {
        std::string_view flags = value.substr(semicolon + 1);
        while (!flags.empty()) {
            const std::size_t next = flags.find(';');
            if (text::equalsIgnoreAsciiCase(text::trimBlanks(flags.substr(0, next)), "cdrom"))
                marked = true;
            flags = next == std::string_view::npos ? std::string_view{} : flags.substr(next + 1);
        }
    }

    DriveMapping mapping;
    mapping.letter = letter;
    mapping.fromSettings = true;
    if (path.starts_with("/dev/") || isBlockDevice(path)) {
        mapping.device = resolvedDevice(path);
        const bool optical =
            std::find(opticalDevices.begin(), opticalDevices.end(), mapping.device) != opticalDevices.end();
        mapping.cdrom = optical || marked;
    } else {
        mapping.folder = path;
        mapping.cdrom = marked;
    }
    return mapping;
}

Drives Drives::build(const System& system, const SettingReader& readSetting)
{
    Drives drives;
    drives.m_mounts = system.mounts;
    std::vector<DriveMapping> byLetter(26);
    if (readSetting) {
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            if (auto mapping = parseSetting(letter, readSetting(letter), system.opticalDevices))
                byLetter[static_cast<std::size_t>(letter - 'A')] = std::move(*mapping);
        }
    }
    const auto mappedExplicitly = [&](const std::string& device) {
        return std::any_of(byLetter.begin(), byLetter.end(),
                           [&](const DriveMapping& m) { return m.letter != 0 && m.device == device; });
    };
    // Letters from D: up, as the system gives them to optical drives after the hard disk's C:.
    std::size_t next = 'D' - 'A';
    for (const std::string& device : system.opticalDevices) {
        if (mappedExplicitly(device))
            continue;
        while (next < byLetter.size() && byLetter[next].letter != 0)
            ++next;
        if (next >= byLetter.size())
            break;
        DriveMapping& m = byLetter[next];
        m.letter = static_cast<char>('A' + next);
        m.device = device;
        m.cdrom = true;
    }
    for (DriveMapping& m : byLetter)
        if (m.letter != 0)
            drives.m_mappings.push_back(std::move(m));
    return drives;
}

char Drives::letterOf(std::string_view rootPath)
{
    if (rootPath.empty())
        return 0;
    const char letter = upperLetter(rootPath[0]);
    if (letter == 0)
        return 0;
    if (rootPath.size() == 1)
        return letter;
    if (rootPath[1] != ':')
        return 0;
    const std::string_view rest = rootPath.substr(2);
    if (rest.empty() || rest == "\\" || rest == "/")
        return letter;
    return 0;
}

const DriveMapping* Drives::find(char letter) const
{
    letter = upperLetter(letter);
    for (const DriveMapping& m : m_mappings)
        if (m.letter == letter)
            return &m;
    return nullptr;
}

std::optional<fs::path> Drives::rootPath(char letter) const
{
    const DriveMapping* m = find(letter);
    if (m == nullptr)
        return std::nullopt;
    if (!m->folder.empty())
        return fs::path(m->folder);
    unsigned major = 0;
    unsigned minor = 0;
    struct stat st {};
    if (::stat(m->device.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
        major = ::major(st.st_rdev);
        minor = ::minor(st.st_rdev);
    }
    const std::string mountPoint = m_mounts.mountPointOf(m->device, major, minor);
    if (mountPoint.empty())
        return std::nullopt;
    return fs::path(mountPoint);
}

bool Drives::isCdRom(std::string_view rootPath) const
{
    const char letter = letterOf(rootPath);
    const DriveMapping* m = letter != 0 ? find(letter) : nullptr;
    return m != nullptr && m->cdrom;
}

std::vector<std::string> Drives::logicalDrives() const
{
    std::vector<std::string> roots;
    for (const DriveMapping& m : m_mappings)
        roots.push_back(rootPathText(m.letter));
    return roots;
}

std::vector<std::string> Drives::cdRomDrives() const
{
    std::vector<std::string> roots;
    for (const DriveMapping& m : m_mappings)
        if (m.cdrom)
            roots.push_back(rootPathText(m.letter));
    return roots;
}

} // namespace kavro
