#include "views/TMainForm.h"

#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/Designed.h"
#include "shell/ui/TfrmPassword.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
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
    auto* result = designed(new QMenu(caption, parent), name, designedClass);
    return result;
}

QAction* entry(QObject* parent, const char* name, const QString& caption,
               const char* designedClass = "TMenuItem")
{
    return designed(new QAction(caption, parent), name, designedClass);
}

QTreeWidget* listView(QWidget* parent, const char* name, int columns)
{
    auto* list = designed(new QTreeWidget(parent), name, "TListView");
    list->setColumnCount(columns);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Columns keep the widths they are given, as the stored widths expect.
    list->header()->setStretchLastSection(false);
    return list;
}

QLabel* captionStrip(QWidget* parent, const char* name, const QString& caption)
{
    auto* strip = designed(new QLabel(caption, parent), name, "TTntPanel");
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setContentsMargins(6, 2, 6, 2);
    return strip;
}

} // namespace

TMainForm::TMainForm(AppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context)
{
    designed(this, "MainForm", "TMainForm");
    setWindowTitle(QStringLiteral("Kavro 5.1 V1.023"));

    buildMenus();
    buildToolBar();
    buildPanes();
    buildStatusBar();

    readWindowSettings();
    placeWindowTexts(*this, m_context, this);
    applyFontSettings();
    setColumnCaptions();
    readColumnWidths();
    m_dblClick = keys::read(*m_context.settings, keys::DblClickMain);
}

TMainForm::~TMainForm() = default;

void TMainForm::buildMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = menu(bar, "N_File", QStringLiteral("檔案"));
    file->addAction(entry(file, "N_Backup_mdb", QStringLiteral("備份資料")));
    file->addAction(entry(file, "N_import", QStringLiteral("還原")));
    file->addAction(entry(file, "DB_import", QStringLiteral("匯入 DB")));
    file->addAction(entry(file, "MDB_import", QStringLiteral("匯入MDB")));
    file->addSeparator();
    file->addAction(entry(file, "N_Print", QStringLiteral("列印")));
    file->addAction(entry(file, "N_scan", QStringLiteral("掃描光碟")));
    file->addSeparator();
    QAction* quit = entry(file, "N_close", QStringLiteral("離開"));
    file->addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    bar->addMenu(file);

    QMenu* functions = menu(bar, "N_function", QStringLiteral("功能"));
    functions->addAction(entry(functions, "N_power_on", QStringLiteral("開機")));
    functions->addAction(entry(functions, "N_power_off", QStringLiteral("關機")));
    functions->addAction(entry(functions, "N_Reset", QStringLiteral("重置")));
    functions->addAction(entry(functions, "N_closedoor", QStringLiteral("關門")));
    QAction* burn = entry(functions, "N_callburn", QStringLiteral("燒錄程式"));
    burn->setVisible(false); // no burning program is offered
    functions->addAction(burn);
    functions->addAction(entry(functions, "SwapID1", QStringLiteral("置換 ID")));
    bar->addMenu(functions);

    QMenu* system = menu(bar, "N_systemsetm", QStringLiteral("系統設定"));
    system->addAction(entry(system, "N_system_set", QStringLiteral("系統設定")));
    QAction* changePassword = entry(system, "N_password", QStringLiteral("密碼"));
    system->addAction(changePassword);
    connect(changePassword, &QAction::triggered, this, &TMainForm::openPasswordDialog);
    bar->addMenu(system);

    QMenu* about = menu(bar, "N_aboutm", QStringLiteral("關於"));
    about->addAction(entry(about, "N_about", QStringLiteral("關於 KAVRO")));
    about->addAction(entry(about, "N_help", QStringLiteral("幫助")));
    bar->addMenu(about);
}

void TMainForm::buildToolBar()
{
    m_toolBar = designed(new QToolBar(this), "TBToolbar1", "TTBToolbar");
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
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

    QAction* quit = item("TBItem21", QStringLiteral("離開"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void TMainForm::buildPanes()
{
    m_mainSplitter = designed(new QSplitter(Qt::Horizontal, this), "Splitter1", "TSplitter");
    m_mainSplitter->setChildrenCollapsible(false);

    // Left: caption strip, the category tree over the information tabs; the machine tree takes
    // the place of both in machine mode.
    m_leftPane = designed(new QWidget(m_mainSplitter), "Panel1", "TPanel");
    auto* left = new QVBoxLayout(m_leftPane);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    left->addWidget(captionStrip(m_leftPane, "TntPanel2", QStringLiteral("光碟分類")));
    m_leftSplitter = designed(new QSplitter(Qt::Vertical, m_leftPane), "Splitter2", "TSplitter");
    m_leftSplitter->setChildrenCollapsible(false);
    m_treeView1 = designed(new QTreeWidget(m_leftSplitter), "TreeView1", "TTreeView");
    m_treeView1->setHeaderHidden(true);
    m_pageControl = designed(new QTabWidget(m_leftSplitter), "PageControl1", "TPageControl");
    m_pageControl->addTab(designed(new QWidget, "TabSheet1", "TTabSheet"), QStringLiteral("圖片"));
    m_pageControl->addTab(designed(new QWidget, "TabSheet2", "TTabSheet"), QStringLiteral("資料"));
    m_pageControl->addTab(designed(new QWidget, "TabSheet3", "TTabSheet"), QStringLiteral("註記"));
    m_pageControl->setCurrentIndex(1);
    m_leftSplitter->setStretchFactor(0, 0);
    m_leftSplitter->setStretchFactor(1, 1);
    left->addWidget(m_leftSplitter, 1);
    m_treeView2 = designed(new QTreeWidget(m_leftPane), "TreeView2", "TTreeView");
    m_treeView2->setHeaderHidden(true);
    m_treeView2->hide();
    left->addWidget(m_treeView2, 1);

    // Right: caption strip, quick-search strip, the list views (one visible at a time).
    auto* rightPane = designed(new QWidget(m_mainSplitter), "Panel2", "TPanel");
    auto* right = new QVBoxLayout(rightPane);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(captionStrip(rightPane, "TntPanel1", QStringLiteral("內容")));
    auto* search = designed(new QWidget(rightPane), "Panel3", "TPanel");
    auto* searchRow = new QHBoxLayout(search);
    searchRow->setContentsMargins(4, 2, 4, 2);
    searchRow->addWidget(designed(new QLineEdit(search), "TntEdit_Main", "TTntEdit"), 1);
    searchRow->addWidget(
        designed(new QPushButton(QStringLiteral("Clear"), search), "TntBtn_Clear", "TTntButton"));
    right->addWidget(search);
    m_listView2 = listView(rightPane, "ListView2", 4);
    m_listView1 = listView(rightPane, "ListView1", 3);
    m_listView1->hide();
    right->addWidget(m_listView2, 1);
    right->addWidget(m_listView1, 1);

    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_mainSplitter);
}

void TMainForm::buildStatusBar()
{
    auto* bar = designed(new QStatusBar(this), "StatusBar1", "TStatusBar");
    bar->setSizeGripEnabled(true);
    const int widths[] = {200, 140, 80, 50};
    const QString texts[] = {
        QStringLiteral("ID: "), QStringLiteral("ID NAME : "), QStringLiteral("SLOT : "), {}};
    for (std::size_t i = 0; i < m_status.size(); ++i) {
        m_status[i] = new QLabel(texts[i], bar);
        m_status[i]->setFixedWidth(widths[i]);
        m_status[i]->setFrameShape(QFrame::Panel);
        m_status[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(m_status[i]);
    }
    setStatusBar(bar);
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
    m_retrieveLog = keys::read(settings, keys::RetrieveLog) != 0;

    // The stored size is the normal size, also when the window opens maximised.
    resize(std::max(width, 200), std::max(height, 150));
    m_mainSplitter->setSizes({std::max(leftWidth, 0), std::max(width - leftWidth, 0)});
    m_leftSplitter->setSizes({std::max(treeHeight, 0), std::max(leftHeight - treeHeight, 0)});
}

void TMainForm::applyFontSettings()
{
    const Settings& settings = *m_context.settings;
    QFont mainFont = font();
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
    setFont(mainFont);

    // Colours are stored as 0x00BBGGRR; negative values name system colours, which stay.
    if (color >= 0) {
        QPalette palette = this->palette();
        const QColor text(color & 0xff, (color >> 8) & 0xff, (color >> 16) & 0xff);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Text, text);
        setPalette(palette);
    }
}

void TMainForm::setColumnCaptions()
{
    const auto& texts = m_context.language;
    m_listView1->setHeaderLabels(
        {qs(texts.text("1015", "檔名")), qs(texts.text("1016", "大小")), qs(texts.text("1025", "類型"))});
    m_listView2->setHeaderLabels({qs(texts.text("1036", "片名")), qs(texts.text("1037", "機名")),
                                  qs(texts.text("1038", "槽位")), qs(texts.text("0004", "分類"))});
}

void TMainForm::readColumnWidths()
{
    const Settings& settings = *m_context.settings;
    m_listView1->setColumnWidth(0, keys::read(settings, keys::ExplorerWidth1));
    m_listView1->setColumnWidth(1, keys::read(settings, keys::ExplorerWidth2));
    m_listView1->setColumnWidth(2, keys::read(settings, keys::ExplorerWidth3));
    m_listView2->setColumnWidth(0, keys::read(settings, keys::ExplorerWidth11));
    m_listView2->setColumnWidth(1, keys::read(settings, keys::ExplorerWidth12));
    m_listView2->setColumnWidth(2, keys::read(settings, keys::ExplorerWidth13));
    m_listView2->setColumnWidth(3, keys::read(settings, keys::ExplorerWidth15));
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

void TMainForm::relabel()
{
    placeWindowTexts(*this, m_context, this);
    setColumnCaptions();
}

void TMainForm::saveWindowSettings()
{
    try {
        Settings& settings = *m_context.settings;
        const QSize normal = isMaximized() || isMinimized() ? normalGeometry().size() : size();
        const int state = isMinimized() ? 1 : isMaximized() ? 2 : 0;
        keys::write(settings, keys::Width1, m_leftPane->width());
        keys::write(settings, keys::Height1, m_leftPane->height());
        keys::write(settings, keys::Height2, m_treeView1->height());
        keys::write(settings, keys::FormWidth, normal.width());
        keys::write(settings, keys::FormHeight, normal.height());
        keys::write(settings, keys::WindowState, state);
        keys::write(settings, keys::ExplorerWidth1, m_listView1->columnWidth(0));
        keys::write(settings, keys::ExplorerWidth2, m_listView1->columnWidth(1));
        keys::write(settings, keys::ExplorerWidth3, m_listView1->columnWidth(2));
        keys::write(settings, keys::ExplorerWidth11, m_listView2->columnWidth(0));
        keys::write(settings, keys::ExplorerWidth12, m_listView2->columnWidth(1));
        keys::write(settings, keys::ExplorerWidth13, m_listView2->columnWidth(2));
        keys::write(settings, keys::ExplorerWidth15, m_listView2->columnWidth(3));
    } catch (...) {
        // The group is saved as a whole or as far as it got; closing never stops here.
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    saveWindowSettings();
    if (m_context.changer.close != nullptr)
        m_context.changer.close();
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

void TMainForm::openPasswordDialog()
{
    TfrmPassword dialog(*m_context.registry, *m_context.person, this);
    placeWindowTexts(dialog, m_context, this);
    dialog.exec();
}

} // namespace kavro
