#pragma once

#include "views/dialogs/TPathDialog.h"

#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace kavro {

struct AppContext;

// PathPicker: shows the folder picker (TPathDialog) modally and keeps its answers until the next
// run. OK keeps the folder list's folder and the file list's file (a full path, empty when none
// was chosen); Cancel empties both; Esc and closing the window empty the folder only.
class PathPicker {
public:
    using Mode = TPathDialog::Mode;

    PathPicker(AppContext& context, QWidget* mainWindow);

    // Opens on BackupPath ([System], 199 characters), else on the program folder's Backup folder,
    // with the caller's caption and, in backup mode, OK enabled.
    void run(Mode mode, const std::string& caption);

    const std::string& chosenFolder() const { return m_folder; }
    const std::string& chosenFile() const { return m_file; }

    // The drive box's entries; by default "/", the drive letters and the removable media of the
    // moment.
    void setDriveSource(std::function<std::vector<PickerDrive>()> source)
    {
        m_driveSource = std::move(source);
    }
    std::vector<PickerDrive> drives() const;

    // Called with the window once it is ready and before it runs (tests answer it from here).
    void setOnShow(std::function<void(TPathDialog&)> onShow) { m_onShow = std::move(onShow); }

private:
    AppContext& m_context;
    QPointer<QWidget> m_mainWindow;
    std::string m_folder;
    std::string m_file;
    std::function<std::vector<PickerDrive>()> m_driveSource;
    std::function<void(TPathDialog&)> m_onShow;
};

} // namespace kavro
