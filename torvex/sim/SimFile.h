#pragma once

#include "torvex/sim/Simulator.h"

#include <string>
#include <string_view>

namespace torvex::sim {

// Reads a description of cabinets (the format is in README.md, "Simulated cabinets") and adds
// them to sim; plug times count from now on sim's time source. On a fault nothing is added,
// false is returned and message says where ("line 4: ...").
bool parseSimText(std::string_view text, Simulator& sim, std::string& message);

// The same from a file; errorNumber is errno when the file cannot be read, EINVAL when it
// cannot be parsed.
bool readSimFile(const std::string& path, Simulator& sim, std::string& message, int& errorNumber);

} // namespace torvex::sim
