#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// What the changer flows show in the main window, as plain data: the status bar panels, the
// machine bar (TB_DVDRW) and whether the drive entries of the disc menus are visible. The window
// draws it and redraws the part named by the change callback.
class ChangerDisplay {
public:
    enum class Part { StatusBar, MachineBar, DriveEntries, Wait };

    void setOnChange(std::function<void(Part)> onChange) { m_onChange = std::move(onChange); }

    // Status bar: panel 0 device texts, panel 3 test cycle texts.
    std::string statusText(int panel) const;
    void setStatusText(int panel, std::string text);

    // The machine bar, shown exactly when a machine with a drive is present.
    bool machineBarShown() const { return m_barShown; }
    void setMachineBarShown(bool shown);

    // TntLab_RW_State.
    const std::string& stateLabel() const { return m_stateLabel; }
    void setStateLabel(std::string text);

    // TntBtn_Eject and TntBtn_Detail are enabled and disabled together.
    bool ejectEnabled() const { return m_driveButtons; }
    bool detailEnabled() const { return m_driveButtons; }
    void setDriveButtonsEnabled(bool enabled);

    // The machine-name box TntCB_RW_Name: its entries and its text (which need not be an entry).
    const std::vector<std::string>& machineNames() const { return m_names; }
    const std::string& machineNameText() const { return m_nameText; }
    bool hasMachineName(std::string_view name) const;
    void clearMachineNames();
    void addMachineName(std::string name);
    void setMachineNameText(std::string text);

    // What a flow waits for while a cabinet moves ("Moving slot 17 to the door…"); empty when
    // nothing is waited for.
    const std::string& waitText() const { return m_waitText; }
    void setWaitText(std::string text);

    // The hidden slot box ComboBox_Slot.
    const std::string& slotBoxText() const { return m_slotText; }
    void setSlotBoxText(std::string text);

    // The separator, "Eject" and "Load" at the end of PopupMenuLv2 and PopupMenu_Search.
    bool driveEntriesShown() const { return m_driveEntries; }
    void setDriveEntriesShown(bool shown);

private:
    void changed(Part part);

    std::function<void(Part)> m_onChange;
    std::vector<std::string> m_status;
    bool m_barShown = false;
    std::string m_stateLabel = "Checking";
    bool m_driveButtons = true;
    std::vector<std::string> m_names;
    std::string m_nameText;
    std::string m_slotText = "1";
    bool m_driveEntries = false;
    std::string m_waitText;
};

} // namespace kavro
