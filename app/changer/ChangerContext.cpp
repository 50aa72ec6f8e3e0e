#include "changer/ChangerContext.h"

#include "catalogue/records/Catalogue.h"
#include "platform/Texts.h"

namespace kavro {

ChangerContext::ChangerContext(Catalogue& catalogue_, TorvexCalls& calls, Person& person_, Clock& clock_,
                               const Texts& texts_)
    : catalogue(catalogue_), person(person_), clock(clock_), texts(texts_), torvex(calls),
      deviceMonitor(&m_idleMonitor), driveCheck(&m_idleDriveCheck),
      wallClock([] { return std::chrono::system_clock::now(); })
{
    display.setStateLabel(text("5011", "Checking"));
    // Disc summaries name machines by the registry's names.
    catalogue.setMachineNameLookup([this](int machine) { return machines.MachineName(machine); });
}

ChangerContext::~ChangerContext()
{
    catalogue.setMachineNameLookup(nullptr);
}

void ChangerContext::useTimers(Timer& deviceMonitorTimer, Timer& driveCheckTimer)
{
    deviceMonitor = &deviceMonitorTimer;
    driveCheck = &driveCheckTimer;
}

std::string ChangerContext::text(std::string_view key, std::string_view defaultText) const
{
    return texts.text(key, defaultText);
}

std::filesystem::path ChangerContext::dataFolder() const
{
    return catalogue.dataFolder();
}

std::chrono::system_clock::time_point ChangerContext::wallNow() const
{
    return wallClock ? wallClock() : std::chrono::system_clock::now();
}

} // namespace kavro
