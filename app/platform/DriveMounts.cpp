#include "platform/DriveMounts.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace kavro {

namespace {

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (pos >= line.size())
            break;
        std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos)
            end = line.size();
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

bool parseDeviceNumber(std::string_view field, unsigned& major, unsigned& minor)
{
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos)
        return false;
    const char* begin = field.data();
    const char* middle = begin + colon;
    const char* end = begin + field.size();
    const auto a = std::from_chars(begin, middle, major);
    const auto b = std::from_chars(middle + 1, end, minor);
    return a.ec == std::errc() && a.ptr == middle && b.ec == std::errc() && b.ptr == end;
}

bool hasOption(std::string_view options, std::string_view option)
{
    std::size_t pos = 0;
    while (pos <= options.size()) {
        std::size_t end = options.find(',', pos);
        if (end == std::string_view::npos)
            end = options.size();
        if (options.substr(pos, end - pos) == option)
            return true;
        pos = end + 1;
    }
    return false;
}

bool isOctal(char c)
{
    return c >= '0' && c <= '7';
}

bool isPathPrefix(std::string_view prefix, std::string_view path)
{
    if (prefix == "/")
        return !path.empty() && path.front() == '/';
    if (path.substr(0, prefix.size()) != prefix)
        return false;
    return path.size() == prefix.size() || path[prefix.size()] == '/';
}

} // namespace

std::string DriveMounts::unescape(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    std::size_t i = 0;
    while (i < field.size()) {
        if (field[i] == '\\' && field.size() - i >= 4 && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
            isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            // \400 and above are not bytes; leave such text as it is.
            if (value < 256) {
                out.push_back(static_cast<char>(value));
                i += 4;
                continue;
            }
        }
        out.push_back(field[i]);
        ++i;
    }
    return out;
}

DriveMounts DriveMounts::parse(std::string_view text)
{
    std::vector<MountEntry> entries;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;

        // id parent major:minor root mount-point options [optional...] - type source super-options
        const auto fields = splitFields(line);
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (fields.size() < 7 || separator + 2 >= fields.size())
            continue;
        MountEntry entry;
        if (!parseDeviceNumber(fields[2], entry.major, entry.minor))
            continue;
        entry.root = unescape(fields[3]);
        entry.mountPoint = unescape(fields[4]);
        entry.readOnly = hasOption(fields[5], "ro");
        entry.fsType = unescape(fields[separator + 1]);
        entry.source = unescape(fields[separator + 2]);
        entries.push_back(std::move(entry));
    }
    return DriveMounts(std::move(entries));
}

DriveMounts DriveMounts::readSystem(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return {};
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return parse(text);
}

std::string DriveMounts::mountPointOf(const std::string& device, unsigned major, unsigned minor) const
{
    const bool byNumber = major != 0 || minor != 0;
    for (const MountEntry& e : m_entries) {
        // A bind mount of one folder of the disc is not the drive's root.
        if (e.root != "/")
            continue;
        if (e.source == device || (byNumber && e.major == major && e.minor == minor))
            return e.mountPoint;
    }
    return {};
}

const MountEntry* DriveMounts::containing(std::string_view path) const
{
    const MountEntry* best = nullptr;
    // The last of several mounts on one point is the one that is seen.
    for (const MountEntry& e : m_entries)
        if (isPathPrefix(e.mountPoint, path) &&
            (best == nullptr || e.mountPoint.size() >= best->mountPoint.size()))
            best = &e;
    return best;
}

} // namespace kavro
