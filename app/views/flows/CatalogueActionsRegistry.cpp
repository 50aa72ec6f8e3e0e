#include "views/flows/CatalogueActionsRegistry.h"

#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"

namespace kavro {

int CatalogueActionsRegistry::machineCount() const
{
    return m_changer.machines.count();
}

bool CatalogueActionsRegistry::hasMachine(int id) const
{
    return m_changer.machines.find(id) != nullptr;
}

bool CatalogueActionsRegistry::addMachine(int id, const std::string& name, int oldNumber)
{
    MachineEntry entry;
    entry.sequence = oldNumber;
    entry.DeviceId = id;
    entry.importIndex = oldNumber;
    entry.name = CutMachineName(name);
    return m_changer.machines.add(std::move(entry));
}

bool CatalogueActionsRegistry::save()
{
    const DbResult<int> saved = SaveRegistry(m_changer);
    return saved.ok() && *saved == 0;
}

} // namespace kavro
