#include "views/layout/LayoutCabinet.h"

#include "torvex/sim/Simulator.h"

namespace kavro::test {

void addLayoutCabinet(torvex::sim::Simulator& sim, int id)
{
    torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
    spec.id = id;
    spec.model = "KZ350VN";
    spec.slots = 100;
    spec.filled = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    sim.addCabinet(spec);
}

} // namespace kavro::test
