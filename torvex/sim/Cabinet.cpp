#include "torvex/sim/Cabinet.h"

#include <filesystem>
#include <limits>
#include <system_error>

namespace torvex::sim {

namespace {

constexpr int kModelCode = 9;
constexpr int kIdCode = 10;
constexpr int kLanguageList = 0;

std::vector<std::uint16_t> threeUnits(std::int64_t value)
{
    return {static_cast<std::uint16_t>((value >> 16) & 0xFF), static_cast<std::uint16_t>((value >> 8) & 0xFF),
            static_cast<std::uint16_t>(value & 0xFF)};
}

} // namespace

Cabinet::Cabinet(const CabinetSpec& spec)
    : m_spec(spec), m_filled(spec.filled.begin(), spec.filled.end()), m_counter(spec.counter & 0xFFFFFF),
      m_plugged(spec.plugged)
{
}

bool Cabinet::hasDrive() const
{
    return m_spec.model.rfind("1234567", 0) != 0;
}

void Cabinet::setPlugged(bool plugged)
{
    if (plugged && !m_plugged)
        ++m_generation;
    if (!plugged)
        m_pending = Pending::None;
    m_plugged = plugged;
}

void Cabinet::script(int index, Reply reply)
{
    m_scripted[index].push_back(std::move(reply));
}

void Cabinet::startMoving(int code, std::int64_t now)
{
    const auto it = m_spec.busyMsByCode.find(code);
    const std::int64_t ms = it != m_spec.busyMsByCode.end() ? it->second : m_spec.busyMs;
    m_busyUntil = ms > 0 ? now + ms : std::numeric_limits<std::int64_t>::min();
}

void Cabinet::showDrive(std::int64_t now)
{
    if (m_spec.driveFolder.empty())
        return;
    const int shown = busy(now) ? 0 : m_driveSlot;
    if (shown == m_shownDrive)
        return;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path link = m_spec.driveFolder;
    fs::remove(link, ec);
    if (shown != 0) {
        const auto disc = m_spec.discFolders.find(shown);
        // A disc without content of its own stands for one that cannot be read.
        const fs::path target = disc != m_spec.discFolders.end() ? fs::path(disc->second)
                                                                 : link.parent_path() / ".unreadable-disc";
        fs::create_directory_symlink(target, link, ec);
    }
    m_shownDrive = shown;
}

Reply Cabinet::answer(int index, std::int64_t now)
{
    showDrive(now);
    auto scripted = m_scripted.find(index);
    if (scripted != m_scripted.end() && !scripted->second.empty()) {
        Reply reply = std::move(scripted->second.front());
        scripted->second.pop_front();
        return reply;
    }
    // After 12 or 19 the cabinet takes whatever index comes next as the slot number, 9 and 10
    // included.
    if (m_pending != Pending::None) {
        const Pending pending = m_pending;
        m_pending = Pending::None;
        return slotStep(pending, index, now);
    }
    // The language list comes from the USB device's own firmware, which answers while the
    // mechanism moves; everything else waits for the mechanism.
    if (index == kLanguageList)
        return Reply::units({0x0409});
    if (busy(now))
        return Reply::text("BUSY");
    if (index == kModelCode)
        return Reply::text(m_spec.model);
    if (index == kIdCode)
        return Reply::units(threeUnits(m_spec.id));
    return command(index, now);
}

Reply Cabinet::command(int index, std::int64_t now)
{
    if (index >= 18 && index <= 22 && !hasDrive())
        return Reply::text("ERROR");
    switch (index) {
    case 11:
        m_doorSlot = 0;
        m_armSlot = 0;
        startMoving(index, now);
        return Reply::text("ACK");
    case 12:
        m_pending = Pending::Move;
        return Reply::text("ACK");
    case 14:
        if (m_doorSlot != 0) {
            m_doorSlot = 0;
            m_armSlot = 0;
            startMoving(index, now);
        }
        return Reply::text("ACK");
    case 15:
        m_powered = true;
        return Reply::text("ACK");
    case 16:
        m_powered = false;
        return Reply::text("ACK");
    case 17:
        return Reply::text("ACK");
    case 18:
        return Reply::units({static_cast<std::uint16_t>(m_driveSlot)});
    case 19:
        m_pending = Pending::Load;
        return Reply::text("ACK");
    case 20:
        if (m_driveSlot != 0) {
            m_driveSlot = 0;
            startMoving(index, now);
        }
        return Reply::text("ACK");
    case 21:
        return Reply::units(threeUnits(m_counter));
    case 22:
        m_counter = 0;
        return Reply::text("ACK");
    default:
        return Reply::text("ERROR");
    }
}

Reply Cabinet::slotStep(Pending pending, int slot, std::int64_t now)
{
    if (slot < 1 || slot > m_spec.slots)
        return Reply::text("ERROR1");
    if (pending == Pending::Move) {
        m_doorSlot = slot;
        m_armSlot = m_filled.count(slot) != 0 && m_driveSlot != slot ? slot : 0;
        startMoving(12, now);
        return Reply::text("ACK");
    }
    if (!hasDrive())
        return Reply::text("ERROR");
    if (m_filled.count(slot) == 0)
        return Reply::text("ERROR2");
    if (m_driveSlot != 0)
        return Reply::text("ERROR3");
    // The disc leaves the door on its way to the drive.
    if (m_doorSlot == slot) {
        m_doorSlot = 0;
        m_armSlot = 0;
    }
    m_driveSlot = slot;
    m_counter = (m_counter + 1) & 0xFFFFFF;
    startMoving(19, now);
    return Reply::text("ACK");
}

CabinetState Cabinet::state(std::int64_t now) const
{
    CabinetState s;
    s.doorSlot = m_doorSlot;
    s.armSlot = m_armSlot;
    s.driveSlot = m_driveSlot;
    s.powered = m_powered;
    s.counter = m_counter;
    s.busy = busy(now);
    s.plugged = m_plugged;
    s.filled.assign(m_filled.begin(), m_filled.end());
    return s;
}

} // namespace torvex::sim
