#include "views/dialogs/PathPicker.h"

#include "content/DiscScanDrives.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QPushButton>
#include <QTimer>

namespace kavro {

PathPicker::PathPicker(AppContext& context, QWidget* mainWindow)
    : m_context(context), m_mainWindow(mainWindow)
{
}

std::vector<PickerDrive> PathPicker::drives() const
{
    if (m_driveSource)
        return m_driveSource();
    const Drives::System system = Drives::readSystem();
    const Drives letters = ReadDrives(*m_context.settings, system);
    return PickerDrives(letters, system.mounts, [](const MountEntry& m) { return IsRemovableMount(m); });
}

void PathPicker::run(Mode mode, const std::string& caption)
{
    const std::vector<PickerDrive> offered = drives();
    TPathDialog dialog(mode, offered, m_file, m_context.language, m_mainWindow.data());
    if (m_context.log && m_context.clock)
        placeWindowTexts(dialog, m_context, m_mainWindow.data());
    dialog.setWindowTitle(QString::fromStdString(caption));
    dialog.okButton()->setEnabled(mode == Mode::Backup);

    const std::string backupPath =
        m_context.settings ? keys::read(*m_context.settings, keys::BackupPathPicker) : std::string();
    dialog.applyStart(ResolvePickerStart(backupPath, offered, m_context.programFolder));

    if (m_onShow)
        QTimer::singleShot(0, &dialog, [this, &dialog] { m_onShow(dialog); });
    dialog.exec();

    switch (dialog.ending()) {
    case TPathDialog::Ending::Ok:
        m_folder = dialog.currentFolder();
        m_file = dialog.currentFile();
        break;
    case TPathDialog::Ending::Cancel:
        m_folder.clear();
        m_file.clear();
        break;
    case TPathDialog::Ending::Escape:
    case TPathDialog::Ending::None:
        m_folder.clear();
        break;
    }
}

} // namespace kavro
