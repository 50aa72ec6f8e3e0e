#include "views/flows/SetupMachines.h"

#include "changer/CabinetWait.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "platform/Text.h"

#include "torvex/torvex.h"

namespace kavro {

std::vector<std::string> RegisteredMachineNames(const ChangerContext& ctx)
{
    std::vector<std::string> names;
    for (int i = 0; i < ctx.machines.count(); ++i)
        names.push_back(ctx.machines.entry(i).name);
    return names;
}

namespace {

// The machine-name box lists names; a renamed machine must stay reachable through it.
void renameInNameBox(ChangerDisplay& display, const std::string& oldName, const std::string& newName)
{
    if (!display.hasMachineName(oldName))
        return;
    const std::vector<std::string> names = display.machineNames();
    const std::string text = display.machineNameText();
    display.clearMachineNames();
    for (const std::string& name : names)
        display.addMachineName(name == oldName ? newName : name);
    display.setMachineNameText(text == oldName ? newName : text);
}

} // namespace

MachineRename RenameRegisteredMachine(ChangerContext& ctx, int index, std::string_view typed)
{
    MachineRename result;
    if (index < 0 || index >= ctx.machines.count())
        return result;
    MachineEntry& entry = ctx.machines.entry(index);
    const std::string name = CutMachineName(text::trimSpaces(typed));
    if (name == entry.name) {
        result.name = entry.name;
        return result;
    }
    if (name.empty())
        return result;
    for (int i = 0; i < ctx.machines.count(); ++i)
        if (i != index && ctx.machines.entry(i).name == name)
            return result;

    const std::string oldName = entry.name;
    entry.name = name;
    const DbResult<int> saved = SaveRegistry(ctx);
    if (!saved) {
        // Nothing reached the catalogue: memory keeps agreeing with it.
        entry.name = oldName;
        result.error = saved.error();
        return result;
    }
    if (*saved != 0)
        result.error = (ctx.dataFolder() / "dbid.txt").string() + " could not be written.";
    renameInNameBox(ctx.display, oldName, name);
    result.name = name;
    return result;
}

std::optional<MachineDriveCounter> ReadDriveCounter(ChangerContext& ctx)
{
    const int machine = ctx.CurrentMachine;
    int counter = 0;
    // A moving cabinet answers "BUSY", which would read as a counter of 4347219.
    if (WaitUntilIdle(ctx, machine, WaitingForText(ctx, machine)) != USBCD_OK)
        return std::nullopt;
    if (ctx.torvex.GetDriveCounter(machine, counter) != 0 || counter == 0)
        return std::nullopt;
    return MachineDriveCounter{ctx.machines.MachineName(machine), counter};
}

} // namespace kavro
