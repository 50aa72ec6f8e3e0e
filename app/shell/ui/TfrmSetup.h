#pragma once

#include "shell/LanguageList.h"

#include <QDialog>
#include <QFont>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;

namespace kavro {

struct AppContext;

// The drive use counter of the main window's current machine, as the dialog shows it.
struct DriveCounterReading {
    std::string machineName;
    int counter = 0;
};

// The settings dialog (menu N_system_set): language with a live preview, main window font,
// e-mail address and CDDB host, the take-out log switch, and the registered machines, which can
// be renamed in place. Save writes the settings file and closes; Esc closes without saving (the
// dialog sees Esc before its controls do). A language preview and a chosen font stay in force for
// the run either way. Callers run the placement pass on it before showing it.
//
// The registry and the main window are reached through hooks, so the dialog knows neither the
// changer layer nor the main window's class.
class TfrmSetup final : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        // The registered machines' names, in table order.
        std::vector<std::string> machineNames;
        // Renames the machine at a table position and stores the registry at once. Returns the
        // name the machine now has, or nullopt when the name was refused (the row shows the old
        // name again).
        std::function<std::optional<std::string>(int index, const std::string& name)> renameMachine;
        // The drive use counter of the main window's current machine; nullopt when the call fails
        // or the counter is 0.
        std::function<std::optional<DriveCounterReading>()> driveCounter;
        // After a language switch: the main window's placement, tree roots and column captions.
        std::function<void()> relabelMainWindow;
        // The font dialog; nullopt when cancelled. Unset: QFontDialog.
        std::function<std::optional<QFont>(const QFont& initial, QWidget* parent)> chooseFont;
    };

    // The public CDDB servers offered in ComboBox3, gnudb first. An empty host stays empty: no
    // server is assumed.
    static const std::vector<std::string>& cddbHosts();

    // The title sources offered in ComboBox_TitleSource: the title_source setting's text and the
    // name shown, the default first.
    struct TitleSourceChoice {
        std::string setting;
        std::string shown;
        const char* key = nullptr; // of the shown text in the language file; none for bare names
    };
    static const std::vector<TitleSourceChoice>& titleSources();

    // mainWindow takes a chosen font; it is also the dialog's parent when parent is null.
    TfrmSetup(AppContext& context, Hooks hooks, QWidget* mainWindow = nullptr, QWidget* parent = nullptr);
    ~TfrmSetup() override;

    // What the dialog does on activation, on a choice in ComboBox1, on BitBtn2 and on Button1.
    void showDriveCounter();
    void previewLanguage(const QString& displayName);
    void chooseFont();
    void save();

    const std::vector<LanguageChoice>& languages() const { return m_languages; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void readSettings();
    void fillMachines();
    void relabel();
    QString shownTitleSource(const TitleSourceChoice& source) const;
    void machineEdited(QListWidgetItem* item);

    AppContext& m_context;
    Hooks m_hooks;
    QPointer<QWidget> m_mainWindow;
    std::vector<LanguageChoice> m_languages;
    std::vector<std::string> m_machineNames;
    bool m_fillingMachines = false;

    QLabel* m_label1 = nullptr;
    QComboBox* m_language = nullptr; // ComboBox1
    QLabel* m_label2 = nullptr;
    QPushButton* m_fontButton = nullptr; // BitBtn2
    QLabel* m_label6 = nullptr;
    QLineEdit* m_email = nullptr; // Edit4
    QLabel* m_label7 = nullptr;
    QComboBox* m_host = nullptr; // ComboBox3
    QLabel* m_sourceLabel = nullptr; // Label_TitleSource
    QComboBox* m_source = nullptr;   // ComboBox_TitleSource
    QLabel* m_retrieveLabel = nullptr;
    QCheckBox* m_retrieveLog = nullptr;
    QPushButton* m_save = nullptr; // Button1
    QLabel* m_label8 = nullptr;
    QListWidget* m_machines = nullptr; // ListView_machine
    QLabel* m_machineName = nullptr;   // TntLabel_machine_name
    QLabel* m_label9 = nullptr;
    QLabel* m_driveCounter = nullptr; // Label_cddrivercount

    // Carried and saved back, never edited here.
    QComboBox* m_fontName = nullptr;
    QLineEdit* m_backupPath = nullptr;
    QLabel* m_doubleClickLabel = nullptr;
    QRadioButton* m_frontDoor = nullptr; // DblClick 1
    bool m_dblClickStored = false;       // a DblClick key was there to write back
    QRadioButton* m_cdrom = nullptr;     // DblClick 0
    QPushButton* m_burnButton = nullptr; // BitBtn1
};

} // namespace kavro
