#pragma once

#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTextEdit;
class QTreeWidget;
class QWidget;

namespace kavro {

class ListPane;
class ListView;
class MachineBar;
class NavigationTree;
class PageControl;

// The controls of the main window that its behaviour works on, made by TMainForm and shared
// with the parts that drive them. Names are the designed ones.
struct MainFormWidgets {
    // Left pane.
    QWidget* leftPane = nullptr;       // Panel1
    QLabel* tntPanel2 = nullptr;       // its caption strip
    QSplitter* leftSplitter = nullptr; // TreeView1 over PageControl1
    NavigationTree* treeView1 = nullptr;
    QTreeWidget* treeView2 = nullptr;
    PageControl* pageControl1 = nullptr;
    QLabel* image1 = nullptr;
    QTextEdit* richEditVolume2 = nullptr;
    QLabel* staticText3 = nullptr;
    QTextEdit* richEditVolume3 = nullptr;
    QTextEdit* richEditVolume4 = nullptr;

    // Right pane.
    QWidget* panel3 = nullptr; // quick-search strip
    QLineEdit* tntEditMain = nullptr;
    QPushButton* tntBtnClear = nullptr;
    ListPane* paneListView1 = nullptr;
    ListPane* paneListView2 = nullptr;
    ListPane* paneListView3 = nullptr;
    ListPane* paneListView4 = nullptr;
    ListPane* paneListView5 = nullptr;
    ListPane* paneSearchView = nullptr;
    ListView* listView1 = nullptr;
    ListView* listView2 = nullptr;
    ListView* listView3 = nullptr;
    ListView* listView4 = nullptr;
    ListView* listView5 = nullptr;
    ListView* searchView = nullptr;

    MachineBar* machineBar = nullptr; // TB_DVDRW
    std::array<QLabel*, 4> status{};  // status bar panels

    // Pop-up menus: the category and disc menus of TreeView1, the row menu of ListView2 and
    // the menu of the search lists.
    QMenu* categoryMenu = nullptr;
    QMenu* discMenu = nullptr;
    QMenu* popupMenuLv2 = nullptr;
    QMenu* popupMenuSearch = nullptr;
};

} // namespace kavro
