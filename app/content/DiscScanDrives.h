#pragma once

#include "platform/Drives.h"

namespace kavro {

class Settings;

// The drive letters as they are now: the system's optical drives and mounts, with the [Drives]
// section of the settings file read afresh.
Drives ReadDrives(const Settings& settings);

// The same with a given view of the system (tests, benchmarks).
Drives ReadDrives(const Settings& settings, const Drives::System& system);

} // namespace kavro
