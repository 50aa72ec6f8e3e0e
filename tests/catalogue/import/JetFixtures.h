#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kavro::test {

// A sample Jet file of the shared fixtures beside the source tree ("../shared/fixtures/jet");
// empty when the samples are not there.
inline std::filesystem::path jetFixture(const std::string& name)
{
    const char* source = std::getenv("KAVRO_SOURCE_DIR");
    std::filesystem::path folder = source
                                       ? std::filesystem::path(source) / ".." / "shared" / "fixtures" / "jet"
                                       : std::filesystem::path();
    const auto file = folder / name;
    std::error_code ec;
    return source && std::filesystem::is_regular_file(file, ec) ? file : std::filesystem::path();
}

} // namespace kavro::test
