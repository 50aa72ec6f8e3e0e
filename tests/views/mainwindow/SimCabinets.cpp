#include "views/mainwindow/SimCabinets.h"

#include "torvex/sim/Simulator.h"

namespace kavro::test {

int addSimCabinet(torvex::sim::Simulator& sim, int id, const std::string& model, int slotCount,
                  const std::vector<int>& filled)
{
    // As slow as a real cabinet: the window's flows wait for it on the virtual clock.
    torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
    spec.id = id;
    spec.model = model;
    spec.slots = slotCount;
    spec.filled = filled;
    return sim.addCabinet(spec);
}

} // namespace kavro::test
