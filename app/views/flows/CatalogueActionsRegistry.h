#pragma once

#include "catalogue/import/ImportRegistry.h"

namespace kavro {

struct ChangerContext;

// The machine registry of the main window (MachineTable and SaveRegistry) as the imports and the
// restore see it.
class CatalogueActionsRegistry final : public ImportRegistry {
public:
    explicit CatalogueActionsRegistry(ChangerContext& changer) : m_changer(changer) {}

    int machineCount() const override;
    bool hasMachine(int id) const override;
    // A machine of an older catalogue: not yet seen by this program, so neither active nor of a
    // known model.
    bool addMachine(int id, const std::string& name, int oldNumber) override;
    bool save() override;

private:
    ChangerContext& m_changer;
};

} // namespace kavro
