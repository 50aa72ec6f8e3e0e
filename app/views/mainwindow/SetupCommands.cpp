#include "views/mainwindow/SetupCommands.h"

#include "platform/Person.h"
#include "shell/AppContext.h"
#include "shell/ui/TfrmSetup.h"
#include "shell/ui/WidgetPlacementTarget.h"
#include "views/flows/HelpPage.h"
#include "views/mainwindow/MachineBar.h"
#include "views/flows/SetupMachines.h"
#include "views/mainwindow/TMainForm.h"
#include "views/dialogs/TfrmDetail.h"
#include "views/flows/TfrmDetailRow.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace kavro {

SetupCommands::SetupCommands(TMainForm& window) : QObject(&window), m_window(window)
{
    if (QAction* action = window.designedAction(QStringLiteral("N_system_set")))
        connect(action, &QAction::triggered, this, &SetupCommands::openSettings);
    if (QAction* action = window.designedAction(QStringLiteral("N_help")))
        connect(action, &QAction::triggered, this, &SetupCommands::openHelp);
    if (MachineBar* bar = window.widgets().machineBar)
        connect(bar->detailButton(), &QPushButton::clicked, this, &SetupCommands::showDriveDetail);
}

void SetupCommands::openSettings()
{
    AppContext& context = m_window.appContext();
    ChangerContext& changer = m_window.changer();
    TfrmSetup::Hooks hooks;
    hooks.machineNames = RegisteredMachineNames(changer);
    hooks.renameMachine = [&changer, &context](int index, const std::string& name) {
        const MachineRename renamed = RenameRegisteredMachine(changer, index, name);
        if (!renamed.error.empty())
            context.person->messageBox(renamed.error, "System Message", BoxIcon::Error, BoxButtons::Ok);
        return renamed.name;
    };
    hooks.driveCounter = [&changer]() -> std::optional<DriveCounterReading> {
        const auto counter = ReadDriveCounter(changer);
        if (!counter)
            return std::nullopt;
        return DriveCounterReading{counter->machineName, counter->counter};
    };
    hooks.relabelMainWindow = [this] { m_window.relabel(); };

    TfrmSetup dialog(context, std::move(hooks), &m_window);
    placeWindowTexts(dialog, context, &m_window);
    dialog.exec();
}

bool SetupCommands::openHelp()
{
    const QString dir = m_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_programDir;
    const auto page = FindHelpPage(std::filesystem::path(dir.toStdString()));
    AppContext& context = m_window.appContext();
    if (!page) {
        const std::string where = (std::filesystem::path(dir.toStdString()) / "Help" / "help.htm").string();
        context.person->messageBox(where + " not found", context.windowTitle, BoxIcon::Warning,
                                   BoxButtons::Ok);
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(page->string()));
    if (m_openUrl ? m_openUrl(url) : QDesktopServices::openUrl(url))
        return true;
    context.person->messageBox(page->string() + " could not be opened", context.windowTitle, BoxIcon::Warning,
                               BoxButtons::Ok);
    return false;
}

void SetupCommands::showDriveDetail()
{
    const DriveDetail detail = FindDriveDetail(m_window.changer(), m_window.catalogue());
    if (detail.step != DriveDetailStep::Found)
        return;
    AppContext& context = m_window.appContext();
    TfrmDetail window(detail.row, context.language, *context.settings, &m_window);
    placeWindowTexts(window, context, &m_window);
    window.exec();
}

} // namespace kavro
