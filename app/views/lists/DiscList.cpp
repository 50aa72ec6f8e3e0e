#include "views/lists/DiscList.h"

namespace kavro {

int DiscList::add(DiscEntry entry)
{
    const int index = count();
    if (entry.node) {
        entry.node->kind = NodeKind::Disc;
        entry.node->machine = entry.machine;
        entry.node->slot = entry.slot;
        entry.node->entry = index;
    }
    m_entries.push_back(std::move(entry));
    return index;
}

int DiscList::find(int machine, int slot) const
{
    for (int i = 0; i < count(); ++i) {
        const DiscEntry& e = m_entries[static_cast<std::size_t>(i)];
        if (e.isDisc() && e.machine == machine && e.slot == slot)
            return i;
    }
    return -1;
}

void DiscList::markRemoved(int index)
{
    if (!valid(index))
        return;
    DiscEntry& e = (*this)[index];
    e.kind = NodeKind::Removed;
    e.node = nullptr;
}

std::vector<int> DiscList::discsOfMachine(int machine) const
{
    std::vector<int> result;
    for (int i = 0; i < count(); ++i) {
        const DiscEntry& e = m_entries[static_cast<std::size_t>(i)];
        if (e.isDisc() && e.machine == machine)
            result.push_back(i);
    }
    return result;
}

} // namespace kavro
