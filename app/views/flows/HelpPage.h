#pragma once

#include <filesystem>
#include <optional>

namespace kavro {

// The program's own help page, shipped beside it: Help/help.htm in a staged or portable folder,
// share/kavro/Help/help.htm under an installation prefix. nullopt when neither exists.
std::optional<std::filesystem::path> FindHelpPage(const std::filesystem::path& executableFolder);

} // namespace kavro
