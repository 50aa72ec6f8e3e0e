#pragma once

#include <QMainWindow>

#include <array>

class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace kavro {

struct AppContext;

// The main window: menu, toolbar, the navigation trees and information tabs on the left, the
// quick-search strip and the list views on the right, a four-panel status bar. Size, state and
// pane sizes come from the settings file and go back to it when the window closes. Controls keep
// their designed names as object names, which is what the language placement looks up.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(AppContext& context, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Shows the window normal, minimised or maximised as the settings say.
    void showAsSaved();

    // After a language switch: the placement pass again and the column captions.
    void relabel();

    // Writes the window and column settings (the thirteen keys, in their order). An error while
    // collecting a value abandons the rest of the group; closing goes on regardless.
    void saveWindowSettings();

    // Status bar panels 0 to 3: machine number, machine name, slot or row count, test mode.
    QLabel* statusPanel(int index) const { return m_status.at(static_cast<std::size_t>(index)); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildPanes();
    void buildStatusBar();
    void readWindowSettings();
    void applyFontSettings();
    void readColumnWidths();
    void setColumnCaptions();
    void openPasswordDialog();

    AppContext& m_context;
    int m_windowState = 2;
    bool m_retrieveLog = false;
    int m_dblClick = 1;

    QToolBar* m_toolBar = nullptr;
    QSplitter* m_mainSplitter = nullptr;
    QWidget* m_leftPane = nullptr;
    QSplitter* m_leftSplitter = nullptr;
    QTreeWidget* m_treeView1 = nullptr;
    QTreeWidget* m_treeView2 = nullptr;
    QTabWidget* m_pageControl = nullptr;
    QTreeWidget* m_listView1 = nullptr;
    QTreeWidget* m_listView2 = nullptr;
    std::array<QLabel*, 4> m_status{};
};

} // namespace kavro
