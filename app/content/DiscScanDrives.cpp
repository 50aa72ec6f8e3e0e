#include "content/DiscScanDrives.h"

#include "shell/Settings.h"

namespace kavro {

namespace {

// Folder paths are longer than the settings' usual 255 bytes.
constexpr std::size_t MaxMappingLength = 4095;

} // namespace

Drives ReadDrives(const Settings& settings)
{
    return ReadDrives(settings, Drives::readSystem());
}

Drives ReadDrives(const Settings& settings, const Drives::System& system)
{
    return Drives::build(system, [&](char letter) {
        return settings.readString(Drives::SettingsSection, std::string_view(&letter, 1), "",
                                   MaxMappingLength);
    });
}

} // namespace kavro
