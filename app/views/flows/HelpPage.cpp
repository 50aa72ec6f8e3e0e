#include "views/flows/HelpPage.h"

#include <system_error>

namespace kavro {

std::optional<std::filesystem::path> FindHelpPage(const std::filesystem::path& executableFolder)
{
    const std::filesystem::path candidates[] = {
        executableFolder / "Help" / "help.htm",
        executableFolder / ".." / "share" / "kavro" / "Help" / "help.htm",
    };
    for (const auto& candidate : candidates) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(candidate, ec))
            continue;
        auto clean = std::filesystem::weakly_canonical(candidate, ec);
        return ec ? candidate : clean;
    }
    return std::nullopt;
}

} // namespace kavro
