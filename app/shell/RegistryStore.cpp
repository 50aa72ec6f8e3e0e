#include "shell/RegistryStore.h"

#include "platform/Text.h"
#include "shell/FileIo.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#ifndef KAVRO_REGISTRY_ROOT
#define KAVRO_REGISTRY_ROOT "/etc/kavro/registry"
#endif

namespace kavro {

namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> splitKeyPath(std::string_view keyPath)
{
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos <= keyPath.size()) {
        auto end = keyPath.find('\\', pos);
        if (end == std::string_view::npos)
            end = keyPath.size();
        if (end > pos)
            parts.push_back(keyPath.substr(pos, end - pos));
        pos = end + 1;
    }
    return parts;
}

// A registry name as a file name: "/" cannot be one, "%" is the escape, and "." or "@" at the
// start would make ".", "..", hidden files or the default value's "@".
std::string encodeName(std::string_view name)
{
    if (name.empty())
        return "@";
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == '%' || c == '/' || c < 0x20 || c == 0x7F || (i == 0 && (c == '.' || c == '@'))) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The entry of folder whose name equals name without regard to case; the exact spelling wins.
std::optional<fs::path> findEntry(const fs::path& folder, const std::string& name, bool wantFolder)
{
    std::error_code ec;
    const auto matches = [&](const fs::path& p) {
        std::error_code typeError;
        return wantFolder ? fs::is_directory(p, typeError) : fs::is_regular_file(p, typeError);
    };
    const fs::path exact = folder / name;
    if (matches(exact))
        return exact;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (text::equalsIgnoreAsciiCase(it->path().filename().string(), name) && matches(it->path()))
            return it->path();
    }
    return std::nullopt;
}

bool canRead(const fs::path& folder)
{
    return ::access(folder.c_str(), R_OK | X_OK) == 0;
}

bool canWrite(const fs::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

RegistryStore::RegistryStore(std::filesystem::path root) : m_root(std::move(root)) {}

std::filesystem::path RegistryStore::defaultRoot()
{
    // Only the build chooses it: an environment switch would let any user skip the start-up
    // password by pointing the program at a store of their own.
    return KAVRO_REGISTRY_ROOT;
}

std::optional<std::filesystem::path> RegistryStore::keyFolder(std::string_view keyPath) const
{
    std::error_code ec;
    if (!fs::is_directory(m_root, ec))
        return std::nullopt;
    fs::path folder = m_root;
    for (const auto part : splitKeyPath(keyPath)) {
        auto next = findEntry(folder, encodeName(part), true);
        if (!next)
            return std::nullopt;
        folder = std::move(*next);
    }
    return folder;
}

bool RegistryStore::openKey(std::string_view keyPath) const
{
    const auto folder = keyFolder(keyPath);
    return folder && canRead(*folder);
}

bool RegistryStore::openKeyWritable(std::string_view keyPath) const
{
    const auto folder = keyFolder(keyPath);
    return folder && canRead(*folder) && canWrite(*folder);
}

bool RegistryStore::createKey(std::string_view keyPath)
{
    std::error_code ec;
    if (!fs::is_directory(m_root, ec)) {
        fs::create_directories(m_root, ec);
        if (ec)
            return false;
    }
    fs::path folder = m_root;
    for (const auto part : splitKeyPath(keyPath)) {
        auto next = findEntry(folder, encodeName(part), true);
        if (!next) {
            const fs::path made = folder / encodeName(part);
            if (!fs::create_directory(made, ec) || ec)
                return false;
            next = made;
        }
        folder = std::move(*next);
    }
    return canRead(folder) && canWrite(folder);
}

std::optional<std::string> RegistryStore::readString(std::string_view keyPath, std::string_view value,
                                                     std::size_t maxBytes) const
{
    const auto folder = keyFolder(keyPath);
    if (!folder)
        return std::nullopt;
    const auto file = findEntry(*folder, encodeName(value), false);
    if (!file)
        return std::nullopt;
    auto data = readWholeFile(*file);
    if (!data)
        return std::nullopt;
    if (const auto zero = data->find('\0'); zero != std::string::npos)
        data->resize(zero);
    return text::cutUtf8(*data, maxBytes);
}

bool RegistryStore::writeString(std::string_view keyPath, std::string_view value, std::string_view data)
{
    const auto folder = keyFolder(keyPath);
    if (!folder || !canWrite(*folder))
        return false;
    const auto existing = findEntry(*folder, encodeName(value), false);
    return replaceFile(existing ? *existing : *folder / encodeName(value), data);
}

} // namespace kavro
