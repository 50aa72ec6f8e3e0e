#pragma once

#include "torvex/sim/Simulator.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <set>

namespace torvex::sim {

// One simulated cabinet: what it answers to each string index and what that does to it.
class Cabinet {
public:
    explicit Cabinet(const CabinetSpec& spec);

    Reply answer(int index, std::int64_t now);
    void script(int index, Reply reply);

    CabinetState state(std::int64_t now) const;
    std::int32_t id() const { return m_spec.id; }
    std::uint16_t vendorId() const { return m_spec.vendorId; }
    std::uint16_t productId() const { return m_spec.productId; }
    bool openable() const { return m_spec.openable; }

    bool plugged() const { return m_plugged; }
    // Each plug-in is a new device to the host: handles of an earlier one stay dead.
    int generation() const { return m_generation; }
    void setPlugged(bool plugged);

private:
    enum class Pending { None, Move, Load };

    bool hasDrive() const;
    bool busy(std::int64_t now) const { return now < m_busyUntil; }
    void startMoving(int code, std::int64_t now);
    Reply slotStep(Pending pending, int slot, std::int64_t now);
    Reply command(int index, std::int64_t now);
    // Points the drive folder at the disc in the drive once the cabinet has stopped.
    void showDrive(std::int64_t now);

    CabinetSpec m_spec;
    std::set<int> m_filled;
    std::map<int, std::deque<Reply>> m_scripted;
    Pending m_pending = Pending::None;
    std::int64_t m_busyUntil = std::numeric_limits<std::int64_t>::min();
    int m_doorSlot = 0;
    int m_armSlot = 0;
    int m_driveSlot = 0;
    bool m_powered = true;
    int m_counter = 0;
    bool m_plugged = true;
    int m_generation = 0;
    int m_shownDrive = -1;
};

} // namespace torvex::sim
