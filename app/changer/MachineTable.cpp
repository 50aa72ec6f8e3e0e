#include "changer/MachineTable.h"

#include "catalogue/database/SqliteColumns.h"
#include "platform/Text.h"

namespace kavro {

void MachineTable::clear()
{
    m_entries.fill(MachineEntry{});
    m_count = 0;
}

void MachineTable::raiseCount()
{
    if (m_count < kCapacity)
        ++m_count;
}

bool MachineTable::add(MachineEntry entry)
{
    if (full())
        return false;
    pending() = std::move(entry);
    raiseCount();
    return true;
}

const MachineEntry* MachineTable::find(int id) const
{
    for (int i = 0; i < m_count; ++i) {
        if (entry(i).DeviceId == id)
            return &entry(i);
    }
    return nullptr;
}

MachineEntry* MachineTable::find(int id)
{
    return const_cast<MachineEntry*>(static_cast<const MachineTable*>(this)->find(id));
}

int MachineTable::MachineAt(int index) const
{
    if (index < 0 || index >= m_count)
        return 0;
    return entry(index).DeviceId;
}

std::string MachineTable::MachineName(int id) const
{
    if (const MachineEntry* e = find(id))
        return e->name;
    return std::to_string(id);
}

int MachineTable::MachineByName(std::string_view name) const
{
    if (name.empty())
        return 0;
    for (int i = 0; i < m_count; ++i) {
        if (entry(i).name == name)
            return entry(i).DeviceId;
    }
    return 0;
}

std::string MachineTable::MachineModel(int id) const
{
    if (const MachineEntry* e = find(id))
        return e->model;
    return {};
}

std::string CutMachineName(std::string_view name)
{
    return columns::cutToWidth(name, static_cast<int>(MachineTable::kNameChars));
}

std::string CutMachineModel(std::string_view model)
{
    std::string clean(model);
    if (!text::isValidUtf8(clean)) {
        for (char& c : clean) {
            if (static_cast<unsigned char>(c) >= 0x80)
                c = '?';
        }
    }
    return text::cutUtf8(clean, MachineTable::kModelBytes);
}

} // namespace kavro
