#include "views/mainwindow/TMainForm.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "changer/TorvexCalls.h"
#include "platform/Person.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/Designed.h"
#include "shell/ui/TfrmPassword.h"
#include "shell/ui/WidgetPlacementTarget.h"
#include "views/mainwindow/AddDiscFlowMainForm.h"
#include "views/mainwindow/Icons.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/MachineBar.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/PageControl.h"
#include "views/mainwindow/QuickSearchController.h"
#include "views/mainwindow/SearchTabsController.h"
#include "views/mainwindow/MainFormShortcuts.h"
#include "views/mainwindow/SetupCommands.h"
#include "views/mainwindow/StatusPanel.h"
#include "views/mainwindow/TfrmPrint2Commands.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QSessionManager>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>
#include <string>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QMenu* menu(QWidget* parent, const char* name, const QString& caption,
            const char* designedClass = "TMenuItem")
{
    return designed(new QMenu(caption, parent), name, designedClass);
}

QAction* entry(QObject* parent, const char* name, const QString& caption,
               const char* designedClass = "TMenuItem")
{
    return designed(new QAction(caption, parent), name, designedClass);
}

// Adds a designed entry to a menu; hidden entries are designed but not offered.
QAction* addEntry(QMenu* m, const char* name, const QString& caption, bool visible = true,
                  const char* designedClass = "TMenuItem")
{
    QAction* action = entry(m, name, caption, designedClass);
    action->setVisible(visible);
    m->addAction(action);
    return action;
}

QLabel* captionStrip(QWidget* parent, const char* name, const QString& caption)
{
    auto* strip = designed(new QLabel(caption, parent), name, "TTntPanel");
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setContentsMargins(6, 2, 6, 2);
    return strip;
}

QTextEdit* infoBox(QWidget* parent, const char* name)
{
    auto* box = designed(new QTextEdit(parent), name, "TRichEdit");
    box->setReadOnly(true);
    box->setAcceptRichText(false);
    return box;
}

ListPane* listPane(QWidget* parent, ListKind kind, const char* name, int columns)
{
    auto* pane = new ListPane(kind, name, parent);
    designed(pane->list(), name, "TListView");
    pane->list()->setColumnCount(columns);
    return pane;
}

// A one-line field (the barcode) that keeps the height of a line of its font when the room is
// short, as empty as it may be.
class FieldLabel final : public QLabel {
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override
    {
        const QFontMetrics metrics = fontMetrics();
        const int frame = height() - contentsRect().height();
        return QLabel::minimumSizeHint().expandedTo(QSize(metrics.averageCharWidth() * 8, metrics.height() + frame));
    }
    QSize sizeHint() const override { return QLabel::sizeHint().expandedTo(minimumSizeHint()); }
};

// One column of a list: its caption key and default, and the settings key of its width.
struct Column {
    const char* key;
    const char* caption;
    keys::IntKey width;
    int extra = 0; // pixels added to the stored width
};

} // namespace

TMainForm::TMainForm(AppContext& context, QWidget* parent) : TMainForm(context, Services{}, parent) {}

TMainForm::TMainForm(AppContext& context, Services services, QWidget* parent)
    : QMainWindow(parent), m_context(context), m_services(std::move(services)), m_activationTimer(this)
{
    designed(this, "MainForm", "TMainForm");
    setWindowTitle(QStringLiteral("Kavro 5.1 V1.023"));

    buildMenus();
    buildToolBar();
    buildPanes();
    buildPopupMenus();
    buildStatusBar();
    setCommandIcons();

    readWindowSettings();
    if (!openCatalogue())
        return;
    placeWindowTexts(*this, m_context, this);
    setColumnCaptions();
    fitToolBar();

    TorvexCalls* calls = m_services.torvex;
    if (!calls) {
        m_ownTorvex = std::make_unique<LinkedTorvex>();
        calls = m_ownTorvex.get();
    }
    m_changer = std::make_unique<ChangerControls>(*m_catalogue, *calls, m_context, m_w, this);
    m_changer->setDialogs(m_services.dialogs);
    m_browser = std::make_unique<DiscBrowser>(*m_catalogue, *m_changer, m_context, m_w, this);

    if (auto loaded = LoadCategories(*m_catalogue); !loaded)
        m_context.person->messageBox(loaded.error(), "System Message", BoxIcon::Error, BoxButtons::Ok);
    m_changer->openAndLoadRegistry();
    m_browser->buildDiscNodes();
    applyFontSettings();
    readColumnWidths();
    connectCommands();
    m_changer->rescanAndStartTimers();
    // Once the window is up: a cataloguing run cut short is offered to go on.
    QTimer::singleShot(0, this, [this] { m_changer->offerUnfinishedRun(); });

    // The start state: ListView2 shown, the data tab, details.
    m_w.pageControl1->setCurrentIndex(1);
    m_browser->setViewMode(0);
    m_activationTimer.setObjectName(QStringLiteral("ActivationTimer"));
    m_activationTimer.setSingleShot(true);
    m_activationTimer.setInterval(2000);
    connect(&m_activationTimer, &QTimer::timeout, this, [this] {
        if (!m_browser->activationTimerFired())
            m_activationTimer.start(); // after the change under way
    });
    qApp->installEventFilter(this);
    // Log-off and shut-down: the window saves and closes; it never powers the computer off.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { close(); });
    m_ready = true;
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    if (m_changer)
        m_changer->stop();
    // Released in order: the window's tables, the changer state, then the catalogue.
    m_browser.reset();
    m_changer.reset();
    m_w.treeView1->setSource(nullptr);
    m_catalogue.reset();
}

bool TMainForm::openCatalogue()
{
    m_catalogue = std::make_unique<Catalogue>(m_context.programFolder, *m_context.person, m_context.language,
                                              *m_context.clock);
    const DbStatus opened = m_catalogue->open();
    if (opened)
        return true;
    m_catalogue.reset();
    m_context.person->messageBox(opened.error(), "Warnning!!!", BoxIcon::Stop, BoxButtons::Ok);
    return false;
}

void TMainForm::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = menu(bar, "N_File", QStringLiteral("檔案"));
    addEntry(file, "N_Backup_mdb", QStringLiteral("備份資料"));
    addEntry(file, "N_import", QStringLiteral("還原"));
    addEntry(file, "DB_import", QStringLiteral("匯入 DB"));
    addEntry(file, "MDB_import", QStringLiteral("匯入MDB"));
    file->addSeparator();
    addEntry(file, "N_Print", QStringLiteral("列印"));
    addEntry(file, "N_scan", QStringLiteral("掃描光碟"));
    file->addSeparator();
    addEntry(file, "N_close", QStringLiteral("離開"));
    bar->addMenu(file);

    // Designed but not offered: the toolbar and the machine bar are shown as the program decides.
    QMenu* view = menu(bar, "N1", QStringLiteral("檢視"));
    addEntry(view, "N24", QStringLiteral("工具列"), false);
    addEntry(view, "N53", QStringLiteral("機器列"), false);
    bar->addMenu(view)->setVisible(false);

    QMenu* functions = menu(bar, "N_function", QStringLiteral("功能"));
    addEntry(functions, "N_power_on", QStringLiteral("打開電源"));
    addEntry(functions, "N_power_off", QStringLiteral("關閉電源"));
    addEntry(functions, "N_Reset", QStringLiteral("重罝"));
    addEntry(functions, "N_closedoor", QStringLiteral("關門"), false);
    // A drive cabinet catalogues itself; the slots of a cabinet at a glance.
    addEntry(functions, "N_catalogue_cabinet", QStringLiteral("自動建立光碟櫃目錄…"));
    addEntry(functions, "N_slot_map", QStringLiteral("光碟櫃格位圖…"));
    // No burning program is offered.
    addEntry(functions, "N_callburn", QStringLiteral("燒錄程式"), false);
    addEntry(functions, "Nero1", QStringLiteral("Nero 燒錄"), false);
    addEntry(functions, "N52", QStringLiteral("設定燒錄程式"), false);
    bar->addMenu(functions);

    QMenu* system = menu(bar, "N_systemsetm", QStringLiteral("系統設定"));
    addEntry(system, "N_system_set", QStringLiteral("系統設定"));
    addEntry(system, "N_password", QStringLiteral("密碼"));
    addEntry(system, "SwapID1", QStringLiteral("Swap ID"));
    bar->addMenu(system);

    QMenu* about = menu(bar, "N_aboutm", QStringLiteral("關於"));
    addEntry(about, "N_about", QStringLiteral("關於 KAVRO"));
    addEntry(about, "N_help", QStringLiteral("幫助"));
    bar->addMenu(about);
}

void TMainForm::buildToolBar()
{
    m_toolBar = designed(new QToolBar(this), "TBToolbar1", "TTBToolbar");
    m_toolBar->setMovable(false);
    // Icons over the captions, as a desktop program's toolbar shows them.
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, m_toolBar);

    const auto item = [this](const char* name, const QString& caption, bool visible = true) {
        QAction* action = entry(this, name, caption, "TTBItem");
        action->setVisible(visible);
        m_toolBar->addAction(action);
        return action;
    };
    // Hidden entries are designed but not offered.
    item("TBItem15", QStringLiteral("備份"));
    item("TBItem16", QStringLiteral("還原"));
    item("TBItem17", QStringLiteral("上一頁"), false);
    item("TBItem18", QStringLiteral("下一頁"), false);
    item("TBItem31", QStringLiteral("新增類別"));
    item("TBItem32", QStringLiteral("新增光碟"));
    item("TBItem34", QStringLiteral("新增"), false);
    item("TBItem35", QStringLiteral("搜尋"));
    item("TBItem36", QStringLiteral("取片"), false);
    item("TBItem30", QStringLiteral("光碟置取"));
    item("TBItem37", QStringLiteral("刪除"));
    item("TBItem19", QStringLiteral("列印"));
    item("TBItem20", QStringLiteral("設定"), false);
    item("TBItem22", QStringLiteral("幫助"), false);
    item("TBItem23", QStringLiteral("網站"), false);

    const auto submenu = [this](const char* name, const QString& caption) {
        QMenu* result = menu(this, name, caption, "TTBSubmenuItem");
        m_toolBar->addAction(result->menuAction());
        if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(result->menuAction())))
            button->setPopupMode(QToolButton::InstantPopup);
        return result;
    };
    QMenu* display = submenu("TBSubmenuItem6", QStringLiteral("顯示"));
    display->addAction(entry(display, "TBItem24", QStringLiteral("詳細"), "TTBItem"));
    display->addAction(entry(display, "TBItem25", QStringLiteral("列表"), "TTBItem"));
    display->addAction(entry(display, "TBItem26", QStringLiteral("圖示"), "TTBItem"));
    QMenu* treeMode = submenu("TBSubmenuItem7", QStringLiteral("分類模式"));
    treeMode->addAction(entry(treeMode, "TBItem27", QStringLiteral("依分類"), "TTBItem"));
    treeMode->addAction(entry(treeMode, "TBItem28", QStringLiteral("依機器"), "TTBItem"));

    item("TBItem21", QStringLiteral("離開"));

    // The machine bar docks under the toolbar; it shows once a machine with a drive is present.
    addToolBarBreak(Qt::TopToolBarArea);
    m_w.machineBar = new MachineBar(this);
    addToolBar(Qt::TopToolBarArea, m_w.machineBar);
    m_w.machineBar->hide();
}

void TMainForm::setCommandIcons()
{
    for (QAction* action : findChildren<QAction*>()) {
        if (const QIcon icon = icons::forCommand(action->objectName()); !icon.isNull())
            action->setIcon(icon);
    }
    // The toolbar's submenus are shown by their menus' actions.
    for (QMenu* m : findChildren<QMenu*>()) {
        if (const QIcon icon = icons::forCommand(m->objectName()); !icon.isNull())
            m->menuAction()->setIcon(icon);
    }
}

void TMainForm::buildPanes()
{
    m_mainSplitter = designed(new QSplitter(Qt::Horizontal, this), "Splitter1", "TSplitter");
    m_mainSplitter->setChildrenCollapsible(false);

    // Left: caption strip, the category tree over the information tabs; the machine tree takes
    // the place of both in machine mode.
    m_w.leftPane = designed(new QWidget(m_mainSplitter), "Panel1", "TPanel");
    auto* left = new QVBoxLayout(m_w.leftPane);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    m_w.tntPanel2 = captionStrip(m_w.leftPane, "TntPanel2", QStringLiteral("光碟分類"));
    left->addWidget(m_w.tntPanel2);
    m_w.leftSplitter = designed(new QSplitter(Qt::Vertical, m_w.leftPane), "Splitter2", "TSplitter");
    m_w.leftSplitter->setChildrenCollapsible(false);
    m_w.treeView1 = designed(new NavigationTree(m_w.leftSplitter), "TreeView1", "TTreeView");

    m_w.pageControl1 = designed(new PageControl(m_w.leftSplitter), "PageControl1", "TPageControl");
    auto* pictureTab = designed(new QWidget, "TabSheet1", "TTabSheet");
    auto* pictureLayout = new QVBoxLayout(pictureTab);
    m_w.image1 = designed(new QLabel(pictureTab), "Image1", "TImage");
    m_w.image1->setFixedSize(180, 150);
    m_w.image1->setScaledContents(true); // stretched
    m_w.image1->setFrameShape(QFrame::StyledPanel);
    pictureLayout->addWidget(m_w.image1, 0, Qt::AlignHCenter | Qt::AlignTop);
    pictureLayout->addStretch(1);

    auto* dataTab = designed(new QWidget, "TabSheet2", "TTabSheet");
    auto* dataLayout = new QVBoxLayout(dataTab);
    dataLayout->setContentsMargins(4, 4, 4, 4);
    dataLayout->addWidget(designed(new QLabel(QStringLiteral("Volume"), dataTab), "Label4", "TLabel"));
    m_w.richEditVolume2 = infoBox(dataTab, "RichEdit_Volume2");
    dataLayout->addWidget(m_w.richEditVolume2, 2);
    dataLayout->addWidget(designed(new QLabel(QStringLiteral("條碼"), dataTab), "Label1", "TLabel"));
    m_w.staticText3 = designed(new FieldLabel(dataTab), "StaticText3", "TStaticText");
    m_w.staticText3->setFrameShape(QFrame::StyledPanel);
    m_w.staticText3->setTextInteractionFlags(Qt::TextSelectableByMouse);
    dataLayout->addWidget(m_w.staticText3);
    dataLayout->addWidget(designed(new QLabel(QStringLiteral("其他"), dataTab), "Label3", "TLabel"));
    m_w.richEditVolume3 = infoBox(dataTab, "RichEdit_Volume3");
    dataLayout->addWidget(m_w.richEditVolume3, 1);

    auto* remarkTab = designed(new QWidget, "TabSheet3", "TTabSheet");
    auto* remarkLayout = new QVBoxLayout(remarkTab);
    remarkLayout->setContentsMargins(4, 4, 4, 4);
    m_w.richEditVolume4 = infoBox(remarkTab, "RichEdit_Volume4");
    remarkLayout->addWidget(m_w.richEditVolume4);

    m_w.pageControl1->addTab(pictureTab, QStringLiteral("圖片"));
    m_w.pageControl1->addTab(dataTab, QStringLiteral("資料"));
    m_w.pageControl1->addTab(remarkTab, QStringLiteral("註記"));
    m_w.pageControl1->setCurrentIndex(1);
    m_w.leftSplitter->setStretchFactor(0, 0);
    m_w.leftSplitter->setStretchFactor(1, 1);
    left->addWidget(m_w.leftSplitter, 1);
    m_w.treeView2 = designed(new QTreeWidget(m_w.leftPane), "TreeView2", "TTreeView");
    m_w.treeView2->setHeaderHidden(true);
    NavigationTree::showWholeItems(*m_w.treeView2);
    m_w.treeView2->hide();
    left->addWidget(m_w.treeView2, 1);

    // Right: caption strip, quick-search strip, the list views (one visible at a time).
    auto* rightPane = designed(new QWidget(m_mainSplitter), "Panel2", "TPanel");
    auto* right = new QVBoxLayout(rightPane);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(captionStrip(rightPane, "TntPanel1", QStringLiteral("內容")));
    m_w.panel3 = designed(new QWidget(rightPane), "Panel3", "TPanel");
    auto* searchRow = new QHBoxLayout(m_w.panel3);
    searchRow->setContentsMargins(4, 2, 4, 2);
    m_w.tntEditMain = designed(new QLineEdit(m_w.panel3), "TntEdit_Main", "TTntEdit");
    searchRow->addWidget(m_w.tntEditMain, 1);
    m_w.tntBtnClear =
        designed(new QPushButton(QStringLiteral("Clear"), m_w.panel3), "TntBtn_Clear", "TTntButton");
    searchRow->addWidget(m_w.tntBtnClear);
    auto* searchButton =
        designed(new QPushButton(QStringLiteral("Search"), m_w.panel3), "TntBtn_Search", "TTntButton");
    searchButton->hide();
    searchRow->addWidget(searchButton);
    right->addWidget(m_w.panel3);

    m_w.paneListView2 = listPane(rightPane, ListKind::CategoryContents, "ListView2", 4);
    m_w.paneListView1 = listPane(rightPane, ListKind::Files, "ListView1", 3);
    m_w.paneListView3 = listPane(rightPane, ListKind::Log, "ListView3", 6);
    m_w.paneListView4 = listPane(rightPane, ListKind::QuickSearch, "ListView4", 4);
    m_w.paneListView5 = listPane(rightPane, ListKind::MachineDiscs, "ListView5", 3);
    m_w.paneSearchView = listPane(rightPane, ListKind::Search, "SearchView", 4);
    for (ListPane* pane : {m_w.paneListView2, m_w.paneListView1, m_w.paneListView3, m_w.paneListView4,
                           m_w.paneListView5, m_w.paneSearchView}) {
        right->addWidget(pane, 1);
        if (pane != m_w.paneListView2)
            pane->hide();
    }
    m_w.listView1 = m_w.paneListView1->list();
    m_w.listView2 = m_w.paneListView2->list();
    m_w.listView3 = m_w.paneListView3->list();
    m_w.listView4 = m_w.paneListView4->list();
    m_w.listView5 = m_w.paneListView5->list();
    m_w.searchView = m_w.paneSearchView->list();
    m_w.listView1->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);

    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_mainSplitter);
}

void TMainForm::buildPopupMenus()
{
    // TreeView1, a category or CategoryRoot.
    m_w.categoryMenu = menu(this, "PopupMenu_Category", {}, "TPopupMenu");
    addEntry(m_w.categoryMenu, "N38", QStringLiteral("新增光碟"));
    addEntry(m_w.categoryMenu, "N22", QStringLiteral("新增分類"));
    addEntry(m_w.categoryMenu, "N23", QStringLiteral("編輯分類"));
    addEntry(m_w.categoryMenu, "N11", QStringLiteral("刪除分類"));
    m_w.categoryMenu->addSeparator();
    addEntry(m_w.categoryMenu, "N21", QStringLiteral("進階搜尋"));
    addEntry(m_w.categoryMenu, "N19", QStringLiteral("全部展開"), false);
    addEntry(m_w.categoryMenu, "N20", QStringLiteral("全部收合"), false);
    addEntry(m_w.categoryMenu, "N37", QStringLiteral("重新整理"), false);
    addEntry(m_w.categoryMenu, "N50", QStringLiteral("刪除搜尋結果"), false);

    // TreeView1, a disc.
    m_w.discMenu = menu(this, "PopupMenu_Disc", {}, "TPopupMenu");
    addEntry(m_w.discMenu, "N40", QStringLiteral("光碟置取"));
    addEntry(m_w.discMenu, "N41", QStringLiteral("編輯片名"));
    addEntry(m_w.discMenu, "N39", QStringLiteral("移除光碟"));
    addEntry(m_w.discMenu, "N8", QStringLiteral("編輯"), false);
    addEntry(m_w.discMenu, "N9", QStringLiteral("編輯片名"), false);
    addEntry(m_w.discMenu, "N10", QStringLiteral("退出光碟"), false);

    // The rows of ListView2; the drive entries are positions 8, 9 and 10.
    m_w.popupMenuLv2 = menu(this, "PopupMenuLv2", {}, "TPopupMenu");
    addEntry(m_w.popupMenuLv2, "N3", QStringLiteral("載入光碟"), false);
    addEntry(m_w.popupMenuLv2, "N32", QStringLiteral("退出光碟"), false);
    addEntry(m_w.popupMenuLv2, "N26", QStringLiteral("編輯片名"));
    addEntry(m_w.popupMenuLv2, "N2", QStringLiteral("移除光碟"));
    addEntry(m_w.popupMenuLv2, "N7", QStringLiteral("光碟置取"));
    addEntry(m_w.popupMenuLv2, "N45", QStringLiteral("列印"));
    addEntry(m_w.popupMenuLv2, "N14", QStringLiteral("取片"), false);
    addEntry(m_w.popupMenuLv2, "N33", QStringLiteral("編輯"));
    m_w.popupMenuLv2->addSeparator();
    addEntry(m_w.popupMenuLv2, "EjectRW", QStringLiteral("Eject"), true, "TTntMenuItem");
    addEntry(m_w.popupMenuLv2, "LoadRW", QStringLiteral("Load"), true, "TTntMenuItem");

    // The rows of ListView4, ListView5 and SearchView.
    m_w.popupMenuSearch = menu(this, "PopupMenu_Search", {}, "TPopupMenu");
    addEntry(m_w.popupMenuSearch, "N5", QStringLiteral("載入光碟"), false);
    addEntry(m_w.popupMenuSearch, "N15", QStringLiteral("退出光碟"), false);
    addEntry(m_w.popupMenuSearch, "N12", QStringLiteral("光碟置取"));
    addEntry(m_w.popupMenuSearch, "N13", QStringLiteral("搜尋分類"), false);
    addEntry(m_w.popupMenuSearch, "N48", QStringLiteral("列印"));
    addEntry(m_w.popupMenuSearch, "N16", QStringLiteral("取片"), false);
    addEntry(m_w.popupMenuSearch, "N4", QStringLiteral("移除光碟"));
    addEntry(m_w.popupMenuSearch, "N47", QStringLiteral("編輯"));
    m_w.popupMenuSearch->addSeparator();
    addEntry(m_w.popupMenuSearch, "EjectRWs", QStringLiteral("Eject"), true, "TTntMenuItem");
    addEntry(m_w.popupMenuSearch, "LoadRWs", QStringLiteral("Load"), true, "TTntMenuItem");
}

void TMainForm::buildStatusBar()
{
    auto* bar = designed(new QStatusBar(this), "StatusBar1", "TStatusBar");
    bar->setSizeGripEnabled(true);
    const int widths[] = {200, 140, 80, 50};
    const QString texts[] = {
        QStringLiteral("ID: "), QStringLiteral("ID NAME : "), QStringLiteral("SLOT : "), {}};
    for (std::size_t i = 0; i < m_w.status.size(); ++i) {
        // The designed widths are the least a panel gets; the last one takes the rest.
        m_w.status[i] = new StatusPanel(texts[i], widths[i], bar);
        m_w.status[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        bar->addWidget(m_w.status[i], i + 1 == m_w.status.size() ? 1 : 0);
    }
    setStatusBar(bar);
}

void TMainForm::connectCommands()
{
    const auto on = [this](const char* name, auto handler) {
        if (QAction* action = designedAction(QString::fromLatin1(name)))
            connect(action, &QAction::triggered, this, handler);
    };
    on("N_close", [this] { close(); });
    on("TBItem21", [this] { close(); });
    on("N_password", [this] { openPasswordDialog(); });
    on("N_power_on", [this] { m_changer->powerOnAll(); });
    on("N_power_off", [this] { m_changer->powerOffAll(); });
    on("N_Reset", [this] { m_changer->resetAll(); });
    on("N_closedoor", [this] { m_changer->closeDoor(); });
    on("SwapID1", [this] { m_changer->swapId(); });
    on("N_catalogue_cabinet", [this] { m_changer->catalogueCabinet(); });
    on("N_slot_map", [this] { m_changer->showSlotMap(); });
    // The bar of a cabinet with a drive offers its cataloguing and its slot map too.
    m_w.machineBar->addSeparator();
    for (const char* name : {"N_catalogue_cabinet", "N_slot_map"})
        if (QAction* action = designedAction(QString::fromLatin1(name)))
            m_w.machineBar->addAction(action);
    connect(m_changer.get(), &ChangerControls::discsWritten, this, [this] {
        m_browser->rebuildDiscNodes();
        m_browser->syncTree();
    });
    connect(m_changer.get(), &ChangerControls::slotChosen, this,
            [this](int machine, int slot) { m_browser->selectDisc(machine, slot); });
    connect(m_changer.get(), &ChangerControls::restartRequested, this, &QWidget::close);

    on("TBItem31", [this] {
        if (categoryMode())
            m_browser->newCategory();
    });
    on("TBItem30", [this] { m_browser->takeOutSelected(TakeOutSource::StopsMonitor); });
    on("TBItem37", [this] { m_browser->deleteFromToolbar(); });
    on("TBItem24", [this] { m_browser->setViewMode(0); });
    on("TBItem25", [this] { m_browser->setViewMode(1); });
    on("TBItem26", [this] { m_browser->setViewMode(2); });
    on("TBItem27", [this] { m_browser->showCategoryMode(); });
    on("TBItem28", [this] { m_browser->showMachineMode(); });
    // TBItem32, TBItem34 and the menus' "新增光碟" and "編輯": the add and edit flows.
    new AddDiscFlowMainForm(*this);

    // N_system_set, N_help and the machine bar's Detail button.
    new SetupCommands(*this);
    new MainFormShortcuts(*this);

    // The quick search, the advanced search with its tabs, and the print commands.
    auto* quickSearch = new QuickSearchController(*this);
    new SearchTabsController(*this, quickSearch->discTexts());
    auto* printCommands = new TfrmPrint2Commands(*this);
    labelAddedCommands();

    // Ctrl+P prints the disc list or the search results shown; F1 opens the help.
    auto* print = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this);
    connect(print, &QShortcut::activated, printCommands, &TfrmPrint2Commands::shortcutPrint);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        if (QAction* action = designedAction(QStringLiteral("N_help")))
            action->trigger();
    });
}

void TMainForm::readWindowSettings()
{
    const Settings& settings = *m_context.settings;
    m_windowState = keys::read(settings, keys::WindowState);
    const int width = keys::read(settings, keys::FormWidth);
    const int height = keys::read(settings, keys::FormHeight);
    const int leftWidth = keys::read(settings, keys::Width1);
    const int leftHeight = keys::read(settings, keys::Height1);
    const int treeHeight = keys::read(settings, keys::Height2);
    keys::read(settings, keys::RetrieveLog); // read again at every take-out

    // The stored size is the normal size, also when the window opens maximised.
    resize(std::max(width, 200), std::max(height, 150));
    m_mainSplitter->setSizes({std::max(leftWidth, 0), std::max(width - leftWidth, 0)});
    m_w.leftSplitter->setSizes({std::max(treeHeight, 0), std::max(leftHeight - treeHeight, 0)});
}

void TMainForm::applyFontSettings()
{
    const Settings& settings = *m_context.settings;
    // One font for every window of the program: the menus, the dialogs and this one. It starts
    // from the desktop's font, not from what an earlier window left.
    QFont mainFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const std::string family = keys::read(settings, keys::FontNameStartup);
    if (!family.empty())
        mainFont.setFamily(qs(family));
    const int color = keys::read(settings, keys::FontColor);
    const int size = keys::read(settings, keys::FontSize);
    if (size > 0)
        mainFont.setPointSize(size);
    const std::string style = keys::read(settings, keys::FontStyle);
    if (style == "fsBold")
        mainFont.setBold(true);
    else if (style == "fsItalic")
        mainFont.setItalic(true);
    else if (style == "fsUnderline")
        mainFont.setUnderline(true);
    else if (style == "fsStrikeOut")
        mainFont.setStrikeOut(true);
    keys::read(settings, keys::Charset); // Qt fonts have no character set; read for the order only
    QApplication::setFont(mainFont);

    // Colours are stored as 0x00BBGGRR; negative values name system colours, which stay.
    if (color >= 0) {
        QPalette palette = this->palette();
        const QColor text(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Text, text);
        setPalette(palette);
    }
}

namespace {

struct ListColumns {
    ListView* list;
    std::vector<Column> columns;
};

std::vector<ListColumns> columnTable(const MainFormWidgets& w)
{
    using namespace keys;
    return {
        {w.listView1,
         {{"1015", "檔名", ExplorerWidth1},
          {"1016", "大小", ExplorerWidth2},
          {"1025", "類型", ExplorerWidth3}}},
        {w.listView2,
         {{"1036", "片名", ExplorerWidth11},
          {"1037", "機名", ExplorerWidth12},
          {"1038", "槽位", ExplorerWidth13},
          {"0004", "分類", ExplorerWidth15}}},
        {w.listView3,
         {{"1036", "片名", ExplorerWidth11},
          {"1037", "機名", ExplorerWidth11},
          {"1038", "槽位", ExplorerWidth13},
          {"1047", "置取", ExplorerWidth14},
          {"1046", "使用者", ExplorerWidth12},
          {"1048", "取片時間", ExplorerWidth15}}},
        {w.listView4,
         {{"1036", "片名", ExplorerWidth11},
          {"1037", "機名", ExplorerWidth12},
          {"1038", "槽位", ExplorerWidth13},
          {"0004", "分類", ExplorerWidth15}}},
        {w.listView5,
         {{"1036", "片名", ExplorerWidth11, 40},
          {"1038", "槽位", ExplorerWidth13},
          {"0004", "分類", ExplorerWidth15}}},
        {w.searchView,
         {{"1036", "片名", ExplorerWidth11.withDefault(40)},
          {"1037", "機名", ExplorerWidth12},
          {"1038", "槽位", ExplorerWidth13},
          // A fixed width: a key no file holds.
          {"0004", "分類", {Explorer, "", 80}}}},
    };
}

} // namespace

void TMainForm::setColumnCaptions()
{
    const auto& texts = m_context.language;
    for (const ListColumns& list : columnTable(m_w)) {
        QStringList captions;
        for (const Column& column : list.columns)
            captions.append(qs(texts.text(column.key, column.caption)));
        list.list->setHeaderLabels(captions);
    }
}

void TMainForm::readColumnWidths()
{
    const Settings& settings = *m_context.settings;
    for (const ListColumns& list : columnTable(m_w)) {
        // A column whose width the file does not hold fits its contents (a first start).
        std::vector<std::optional<int>> widths;
        for (const Column& column : list.columns) {
            const std::optional<int> width = column.width.name.empty()
                                                 ? std::optional<int>(column.width.def)
                                                 : keys::readSaved(settings, column.width);
            widths.push_back(width ? std::optional<int>(*width + column.extra) : std::nullopt);
        }
        list.list->setColumnWidths(widths);
    }
}

void TMainForm::showAsSaved()
{
    switch (m_windowState) {
    case 1:
        showMinimized();
        break;
    case 2:
        showMaximized();
        break;
    default:
        show();
        break;
    }
}

void TMainForm::labelAddedCommands()
{
    // Entries the designed layout does not hold: their captions come from the language file here.
    for (const auto& [name, key, text] : {std::tuple{"N_catalogue_cabinet", "5017", "Catalogue Cabinet…"},
                                          std::tuple{"N_slot_map", "5018", "Slot Map…"},
                                          std::tuple{"N_find_files", "5324", "Find files…"},
                                          std::tuple{"N_duplicates", "5347", "Duplicates…"}})
        if (QAction* action = designedAction(QString::fromLatin1(name)))
            action->setText(QString::fromStdString(m_context.language.text(key, text)));
}

void TMainForm::relabel()
{
    placeWindowTexts(*this, m_context, this);
    setColumnCaptions();
    labelAddedCommands();
    fitToolBar();
    m_w.machineBar->fitCommands();
    if (!m_catalogue)
        return;
    CategoryTree& tree = m_catalogue->categoryTree();
    const auto& texts = m_context.language;
    if (TreeNode* node = tree.searchRoot())
        node->text = texts.text("1051", "搜尋");
    if (TreeNode* node = tree.categoryRoot())
        node->text = texts.text("1049", "資料");
    if (TreeNode* node = tree.logRoot())
        node->text = texts.text("1052", "紀錄");
    m_w.treeView1->sync();
}

void TMainForm::saveWindowSettings()
{
    try {
        Settings& settings = *m_context.settings;
        const QSize normal = isMaximized() || isMinimized() ? normalGeometry().size() : size();
        const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
        keys::write(settings, keys::Width1, m_w.leftPane->width());
        keys::write(settings, keys::Height1, m_w.leftPane->height());
        keys::write(settings, keys::Height2, m_w.treeView1->height());
        keys::write(settings, keys::FormWidth, normal.width());
        keys::write(settings, keys::FormHeight, normal.height());
        keys::write(settings, keys::WindowState, state);
        keys::write(settings, keys::ExplorerWidth1, m_w.listView1->givenColumnWidth(0));
        keys::write(settings, keys::ExplorerWidth2, m_w.listView1->givenColumnWidth(1));
        keys::write(settings, keys::ExplorerWidth3, m_w.listView1->givenColumnWidth(2));
        keys::write(settings, keys::ExplorerWidth11, m_w.listView2->givenColumnWidth(0));
        keys::write(settings, keys::ExplorerWidth12, m_w.listView2->givenColumnWidth(1));
        keys::write(settings, keys::ExplorerWidth13, m_w.listView2->givenColumnWidth(2));
        keys::write(settings, keys::ExplorerWidth15, m_w.listView2->givenColumnWidth(3));
    } catch (...) {
        // The group is saved as a whole or as far as it got; closing never stops here.
    }
}

void TMainForm::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_activationTimer.stop();
    saveWindowSettings();
    if (m_changer)
        m_changer->stop();
    if (m_context.changer.close != nullptr)
        m_context.changer.close();
    else if (m_changer)
        m_changer->context().torvex.CloseUSBKavro();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    shutDown();
    event->accept();
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // Keys the window sees before its controls do.
    if (event->type() != QEvent::KeyPress || !m_ready || m_shutDown)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const auto modifiers = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // The test cycle: Ctrl+Shift+T arms it (and stops a running cycle); then 1 or 5 starts it.
    if (key->key() == Qt::Key_T && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        m_changer->testCycleKey(TestCycleKey::Chord);
        return true;
    }
    const ChangerContext& ctx = m_changer->context();
    if (ctx.testArmed && !ctx.testRunning && modifiers == Qt::NoModifier &&
        (key->key() == Qt::Key_1 || key->key() == Qt::Key_5)) {
        m_changer->testCycleKey(key->key() == Qt::Key_1 ? TestCycleKey::Start100 : TestCycleKey::Start150);
        return true;
    }
    if (key->key() == Qt::Key_PageUp && modifiers == Qt::NoModifier && !qobject_cast<QLineEdit*>(widget) &&
        m_browser->activeList() && m_browser->viewMode() == 0 && !m_browser->machineMode()) {
        pageUp();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::pageUp()
{
    // The row one visible page above the top row, when there is one.
    ListView* list = m_browser->activeList();
    QTreeWidgetItem* top = list->itemAt(QPoint(1, 1));
    if (!top)
        return;
    const int rowHeight = std::max(list->visualItemRect(top).height(), 1);
    const int page = std::max(list->viewport()->height() / rowHeight, 1);
    const int target = list->indexOfTopLevelItem(top) - page;
    if (target < 0)
        return;
    list->selectRow(list->rowAt(target));
}

void TMainForm::fitToolBar()
{
    // Captions under the icons while every item fits the window; icons alone (the captions in
    // their tips) when the window is too narrow for that, rather than items hidden behind the
    // toolbar's overflow button.
    if (m_fittingToolBar || !m_toolBar)
        return;
    const QScopedValueRollback fitting(m_fittingToolBar, true);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    if (m_toolBar->sizeHint().width() > width())
        m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    fitToolBar();
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Captions of another length or in another font.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange)
        fitToolBar();
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        startActivationTimer();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A desktop without a window manager never activates the window; its first showing counts.
    startActivationTimer();
}

void TMainForm::startActivationTimer()
{
    // Only the first activation lists every disc; later ones (after a dialog) keep what is shown.
    if (m_ready && !m_activatedOnce) {
        m_activatedOnce = true;
        m_activationTimer.start();
    }
}

QAction* TMainForm::designedAction(const QString& name) const
{
    return findChild<QAction*>(name);
}

QMenu* TMainForm::designedMenu(const QString& name) const
{
    return findChild<QMenu*>(name);
}

ListView* TMainForm::printList() const
{
    return m_w.paneSearchView->isVisible() ? m_w.searchView : m_w.listView2;
}

void TMainForm::openPasswordDialog()
{
    TfrmPassword dialog(*m_context.registry, *m_context.person, this);
    placeWindowTexts(dialog, m_context, this);
    dialog.exec();
}

} // namespace kavro
