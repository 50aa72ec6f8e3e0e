#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// The whole content of a regular file; nullopt when it cannot be opened or read, is no regular
// file (a folder, a device), or is larger than maxBytes.
std::optional<std::string> readWholeFile(const std::filesystem::path& file,
                                         std::size_t maxBytes = 64u * 1024u * 1024u);

// At most maxBytes from the start of a regular file; nullopt as for readWholeFile.
std::optional<std::string> readFileHead(const std::filesystem::path& file, std::size_t maxBytes);

// Replaces a file's contents through a temporary file in the same folder that is renamed over
// it, so a failed or interrupted write leaves the old contents in place. The file keeps its
// permissions (a new one gets 0644); a symbolic link keeps pointing at the file it named.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes);

} // namespace kavro
