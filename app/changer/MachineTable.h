#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kavro {

// One machine the program has met. Names are UTF-8; models are the text the machine reported.
struct MachineEntry {
    int sequence = 0;    // running number given by the import of older catalogues, else 0
    int DeviceId = 0;    // the machine's id, also its machine number in the catalogue
    int importIndex = 0; // set by the import of older catalogues
    int active = 0;      // DEVICEACT: 1 when it answered its status request at registration
    std::string name;
    std::string model; // DEVICETYPE
};

// MachineTable: every machine ever registered, in order of first registration, at most 32.
class MachineTable {
public:
    static constexpr int kCapacity = 32;
    // DEVICENAME holds 64 characters; the model field 15 bytes and a terminator.
    static constexpr std::size_t kNameChars = 64;
    static constexpr std::size_t kModelBytes = 15;

    int count() const { return m_count; }
    bool full() const { return m_count >= kCapacity; }
    void clear();

    // Registered entries, positions 0 to count - 1.
    const MachineEntry& entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }
    MachineEntry& entry(int index) { return m_entries[static_cast<std::size_t>(index)]; }

    // Registration fills the entry after the last one, then raises the count.
    MachineEntry& pending() { return m_entries[static_cast<std::size_t>(m_count)]; }
    void raiseCount();
    // Adds an entry at the end; false when the table is full.
    bool add(MachineEntry entry);

    // The registered entry of a machine, or nullptr.
    const MachineEntry* find(int id) const;
    MachineEntry* find(int id);

    // Entry by index: the DeviceId at a table position, 0 outside the table.
    int MachineAt(int index) const;
    // The entry's name, or the id in decimal when no entry has it.
    std::string MachineName(int id) const;
    // DeviceId of the first entry whose name equals name exactly; 0 for an empty name or none.
    int MachineByName(std::string_view name) const;
    // The entry's model text, empty when no entry has it.
    std::string MachineModel(int id) const;

private:
    std::array<MachineEntry, kCapacity> m_entries{};
    int m_count = 0;
};

// A name cut to the 64 characters of DEVICENAME, never inside a character.
std::string CutMachineName(std::string_view name);
// A model text cut to 15 bytes at a character boundary; bytes that are not UTF-8 become '?'.
std::string CutMachineModel(std::string_view model);

} // namespace kavro
