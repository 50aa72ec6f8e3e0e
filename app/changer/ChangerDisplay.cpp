#include "changer/ChangerDisplay.h"

#include <algorithm>

namespace kavro {

namespace {
// The status bar has a handful of panels; a bad index is dropped rather than grown without end.
constexpr int kMaxPanels = 16;
} // namespace

std::string ChangerDisplay::statusText(int panel) const
{
    if (panel < 0 || static_cast<std::size_t>(panel) >= m_status.size())
        return {};
    return m_status[static_cast<std::size_t>(panel)];
}

void ChangerDisplay::setStatusText(int panel, std::string text)
{
    if (panel < 0 || panel >= kMaxPanels)
        return;
    if (static_cast<std::size_t>(panel) >= m_status.size())
        m_status.resize(static_cast<std::size_t>(panel) + 1);
    m_status[static_cast<std::size_t>(panel)] = std::move(text);
    changed(Part::StatusBar);
}

void ChangerDisplay::setMachineBarShown(bool shown)
{
    m_barShown = shown;
    changed(Part::MachineBar);
}

void ChangerDisplay::setStateLabel(std::string text)
{
    m_stateLabel = std::move(text);
    changed(Part::MachineBar);
}

void ChangerDisplay::setDriveButtonsEnabled(bool enabled)
{
    m_driveButtons = enabled;
    changed(Part::MachineBar);
}

bool ChangerDisplay::hasMachineName(std::string_view name) const
{
    return std::find(m_names.begin(), m_names.end(), name) != m_names.end();
}

void ChangerDisplay::clearMachineNames()
{
    m_names.clear();
    m_nameText.clear();
    changed(Part::MachineBar);
}

void ChangerDisplay::addMachineName(std::string name)
{
    m_names.push_back(std::move(name));
    changed(Part::MachineBar);
}

void ChangerDisplay::setMachineNameText(std::string text)
{
    m_nameText = std::move(text);
    changed(Part::MachineBar);
}

void ChangerDisplay::setSlotBoxText(std::string text)
{
    m_slotText = std::move(text);
    changed(Part::MachineBar);
}

void ChangerDisplay::setDriveEntriesShown(bool shown)
{
    m_driveEntries = shown;
    changed(Part::DriveEntries);
}

void ChangerDisplay::changed(Part part)
{
    if (m_onChange)
        m_onChange(part);
}

void ChangerDisplay::setWaitText(std::string text)
{
    if (text == m_waitText)
        return;
    m_waitText = std::move(text);
    changed(Part::Wait);
}

} // namespace kavro
