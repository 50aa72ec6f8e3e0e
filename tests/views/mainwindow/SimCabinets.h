#pragma once

#include <string>
#include <vector>

namespace torvex::sim {
class Simulator;
}

namespace kavro::test {

// Adds a simulated cabinet. Kept apart from the Qt headers, whose "slots" keyword would hide the
// cabinet's member of that name.
int addSimCabinet(torvex::sim::Simulator& sim, int id, const std::string& model, int slotCount,
                  const std::vector<int>& filled);

} // namespace kavro::test
