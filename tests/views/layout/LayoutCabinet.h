#pragma once

namespace torvex::sim {
class Simulator;
}

namespace kavro::test {

// A KZ350VN cabinet with a drive and 100 slots, discs in slots 1 to 10. Kept apart from the Qt
// headers, whose "slots" keyword would hide the cabinet's member of that name.
void addLayoutCabinet(torvex::sim::Simulator& sim, int id);

} // namespace kavro::test
