#pragma once

#include <filesystem>
#include <string_view>

namespace kavro {

// Replaces a file's contents through a temporary file in the same folder that is renamed over
// it, so a failed or interrupted write leaves the old contents in place. The file keeps its
// permissions (a new one gets 0644); a symbolic link keeps pointing at the file it named.
bool replaceFile(const std::filesystem::path& file, std::string_view bytes);

} // namespace kavro
