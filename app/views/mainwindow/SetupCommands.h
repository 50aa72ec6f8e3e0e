#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

namespace kavro {

class TMainForm;

// The main window's settings, help and drive detail commands: N_system_set opens the settings
// dialog (TfrmSetup) modally, N_help (and F1, which triggers it) opens the program's own help
// page with the desktop's handler, and the machine bar's TntBtn_Detail runs ShowDriveDetail.
// Made once for the window, as its child.
class SetupCommands : public QObject {
    Q_OBJECT
public:
    explicit SetupCommands(TMainForm& window);

    void openSettings();
    // False, after telling the person, when the page is not there or no handler opened it.
    bool openHelp();
    // The "Detail" button: the detail window of the disc in the named machine's drive, modal.
    void showDriveDetail();

    // Where the help page is looked for; the running program's folder unless set.
    void setProgramDir(const QString& dir) { m_programDir = dir; }
    // What opens the page; the desktop's handler (QDesktopServices) unless set.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }

private:
    TMainForm& m_window;
    QString m_programDir;
    std::function<bool(const QUrl&)> m_openUrl;
};

} // namespace kavro
