#pragma once

#include "views/mainwindow/ChangerControls.h"
#include "views/mainwindow/DiscBrowser.h"
#include "views/mainwindow/MainFormWidgets.h"

#include <QMainWindow>
#include <QTimer>

#include <memory>

class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

namespace kavro {

struct AppContext;
class Catalogue;
class TorvexCalls;

// The main window: menu, toolbar and machine bar, the navigation trees and information tabs on
// the left, the quick-search strip and the list views on the right, a four-panel status bar.
// Size, state, pane sizes, font and column widths come from the settings file and go back to it
// when the window closes. Controls keep their designed names as object names, which is what the
// language placement looks up and what later windows find them by.
//
// Creation runs in the designed order: window settings, the catalogue (a file that cannot be
// opened ends the program, see isReady), the language placement, the categories, the machine
// registry, the disc nodes, font and list settings, and last the rescan of the machines, after
// which the device timers run.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // What the window works with besides the application context.
    struct Services {
        // The changer library; nullptr: the linked libtorvex.
        TorvexCalls* torvex = nullptr;
        // The take-out and swap dialogs; the program's own unless given.
        ChangerControls::Dialogs dialogs;
    };

    explicit TMainForm(AppContext& context, QWidget* parent = nullptr);
    TMainForm(AppContext& context, Services services, QWidget* parent = nullptr);
    ~TMainForm() override;

    // False when the catalogue could not be opened: the person has been told, the file is
    // untouched, and the window must not be shown (the program ends).
    bool isReady() const { return m_ready; }

    // Shows the window normal, minimised or maximised as the settings say.
    void showAsSaved();

    // After a language switch: the placement pass again, the three tree roots and the column
    // captions.
    void relabel();

    // Writes the window and column settings (the thirteen keys, in their order). An error while
    // collecting a value abandons the rest of the group; closing goes on regardless.
    void saveWindowSettings();

    // Status bar panels 0 to 3: machine number, machine name, slot or row count, test mode.
    QLabel* statusPanel(int index) const { return m_w.status.at(static_cast<std::size_t>(index)); }

    // Extension points for the windows and commands that later attach to this one.

    // A menu entry or toolbar item by its designed name ("N_Print", "TBItem32", "N33", ...), and
    // a menu by its designed name ("N_File", "PopupMenuLv2", ...); nullptr when there is none.
    QAction* designedAction(const QString& name) const;
    QMenu* designedMenu(const QString& name) const;
    // Every control the behaviour works on.
    const MainFormWidgets& widgets() const { return m_w; }
    // The program state the window owns (only while isReady()).
    AppContext& appContext() { return m_context; }
    Catalogue& catalogue() { return *m_catalogue; }
    ChangerControls& changerControls() { return *m_changer; }
    ChangerContext& changer() { return m_changer->context(); }
    DiscBrowser& browser() { return *m_browser; }
    // The disc the toolbar's commands act on; the list Ctrl+P prints (ListView2, or SearchView
    // while it is shown).
    std::optional<SelectedDisc> selectedDisc() const { return m_browser->selectedDisc(); }
    ListView* printList() const;
    // Whether the category tree (not the machine tree) is shown.
    bool categoryMode() const { return !m_browser->machineMode(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildPanes();
    void buildPopupMenus();
    void buildStatusBar();
    void setCommandIcons();
    void fitToolBar();
    bool openCatalogue();
    void readWindowSettings();
    void applyFontSettings();
    void readColumnWidths();
    void setColumnCaptions();
    void labelAddedCommands();
    void connectCommands();
    void openPasswordDialog();
    void pageUp();
    void startActivationTimer();
    void shutDown();

    AppContext& m_context;
    Services m_services;
    std::unique_ptr<TorvexCalls> m_ownTorvex;
    std::unique_ptr<Catalogue> m_catalogue;
    std::unique_ptr<ChangerControls> m_changer;
    std::unique_ptr<DiscBrowser> m_browser;
    MainFormWidgets m_w;
    bool m_ready = false;
    bool m_shutDown = false;
    int m_windowState = 2;

    QToolBar* m_toolBar = nullptr;
    bool m_fittingToolBar = false;
    QSplitter* m_mainSplitter = nullptr;
    // The one-shot 2,000 ms timer after the window is first activated.
    QTimer m_activationTimer;
    bool m_activatedOnce = false;
};

} // namespace kavro
