#include "views/mainwindow/SearchTabsController.h"

#include "catalogue/search/BarcodeSearch.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/search/SearchScope.h"
#include "changer/ChangerActions.h"
#include "changer/DriveFlows.h"
#include "platform/Texts.h"
#include "platform/Person.h"
#include "shell/AppContext.h"
#include "views/mainwindow/DiscBrowser.h"
#include "views/lists/ListRows.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/TMainForm.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include <algorithm>

namespace kavro {

SearchTabsController::SearchTabsController(TMainForm& window, DiscTextCache& cache)
    : QObject(&window), m_window(window), m_cache(cache), m_search(window.catalogue(), cache)
{
    if (QAction* toolbar = window.designedAction(QStringLiteral("TBItem35"))) {
        connect(toolbar, &QAction::triggered, this, [this] {
            if (m_window.categoryMode())
                advancedSearch(m_window.catalogue().categoryTree().categoryRoot());
        });
    }
    if (QAction* menu = window.designedAction(QStringLiteral("N21"))) {
        connect(menu, &QAction::triggered, this,
                [this] { advancedSearch(m_window.widgets().treeView1->currentNode()); });
    }
    m_search.setNameIndex(&m_nameIndex);
    // Captioned by the window with its other added commands.
    auto* findFiles = new QAction(&window);
    findFiles->setObjectName(QStringLiteral("N_find_files"));
    findFiles->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    findFiles->setShortcutVisibleInContextMenu(true);
    window.addAction(findFiles);
    if (QAction* menu = window.designedAction(QStringLiteral("N21")))
        for (QObject* o : menu->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o))
                m->insertAction(menu, findFiles);
    connect(findFiles, &QAction::triggered, this, [this] {
        TfrmFindFiles* w = openFindFiles();
        w->show();
        w->raise();
        w->activateWindow();
    });
    auto* duplicates = new QAction(&window);
    duplicates->setObjectName(QStringLiteral("N_duplicates"));
    window.addAction(duplicates);
    if (QAction* menu = window.designedAction(QStringLiteral("N21")))
        for (QObject* o : menu->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o))
                m->insertAction(menu, duplicates);
    connect(duplicates, &QAction::triggered, this, [this] {
        TfrmDuplicates* w = openDuplicates();
        w->show();
        w->raise();
        w->activateWindow();
        w->refresh();
    });
    DiscBrowser& browser = window.browser();
    connect(&browser, &DiscBrowser::searchTabClicked, this, &SearchTabsController::showTab);
    connect(&browser, &DiscBrowser::discRemoved, this, &SearchTabsController::dropDisc);
    connect(&browser, &DiscBrowser::discRenamed, this,
            [this](int machine, int slot, const std::string& title) {
                // The tabs' hidden lists follow a rename, or a click on a tab shows the old title.
                for (auto& rows : m_tabRows)
                    for (ListRow& row : rows)
                        if (row.isDisc() && row.machine == machine && row.slot == slot && !row.texts.empty())
                            row.texts[0] = title;
            });
}

int SearchTabsController::advancedSearch(TreeNode* node)
{
    if (!node)
        return 0;
    SearchScope scope;
    if (BuildScope(scope, *node, m_window.catalogue().categories()) == 0)
        return 0;
    const SearchDialogAnswer answer = ask();
    m_window.browser().forgetLastNode();
    if (answer.text.empty())
        return 0;
    switch (answer.result) {
    case SearchDialogAnswer::Search:
        return search(answer, scope);
    case SearchDialogAnswer::Barcode:
        return barcodeSearch(answer.text);
    default:
        return 0;
    }
}

SearchDialogAnswer SearchTabsController::ask()
{
    if (m_ask)
        return m_ask();
    auto dialog = TfrmSearch::create(m_window.appContext(), &m_window);
    return dialog->ask();
}

int SearchTabsController::search(const SearchDialogAnswer& answer, const SearchScope& scope)
{
    auto ran = m_search.run(m_tabs, answer.text, answer.criteria, scope);
    if (!ran) {
        report(ran.error());
        return 0;
    }
    SearchTab* tab = *ran;
    if (!tab)
        return 0;
    DiscBrowser& browser = m_window.browser();
    const RowLookups lookups = browser.lookups();
    std::vector<ListRow> rows;
    rows.reserve(tab->rows.size());
    for (const SearchRow& r : tab->rows) {
        const int entry = browser.resultRows().add(r.machine, r.slot);
        rows.push_back(
            SearchResultRow(entry, r.machine, r.slot, r.title, r.categoryName, r.deviceType, lookups));
    }
    const std::size_t index = static_cast<std::size_t>(tab->number - 1);
    if (m_tabRows.size() <= index)
        m_tabRows.resize(index + 1);
    m_tabRows[index] = std::move(rows);

    browser.syncTree();
    TreeNode* node = m_tabs.nodeOf(m_window.catalogue().categoryTree(), *tab);
    if (!node)
        return 0;
    // What a click on the tab does: it becomes the last clicked node and SearchView shows a copy
    // of its rows (the memory of the last node was cleared when the dialog closed).
    browser.nodeClicked(node);
    m_window.widgets().treeView1->selectNode(node);
    return static_cast<int>(m_tabRows[index].size());
}

int SearchTabsController::barcodeSearch(const std::string& text)
{
    Catalogue& catalogue = m_window.catalogue();
    DiscBrowser& browser = m_window.browser();
    int foundMachine = 0;
    int foundSlot = 0;
    int moved = -1;
    auto found = BarcodeSearch(catalogue, m_cache, text, [&](int machine, int slot) {
        browser.resultRows().add(machine, slot);
        foundMachine = machine;
        foundSlot = slot;
        moved = MoveToSlot(m_window.changer(), machine, slot);
    });
    if (!found) {
        report(found.error());
        return 0;
    }
    if (!*found) {
        AppContext& app = m_window.appContext();
        if (app.person)
            app.person->messageBox("Not Find", app.windowTitle, BoxIcon::None, BoxButtons::Ok);
        return 0;
    }
    // The hit is shown as a click on its row would show it, and the status bar tells where it went.
    browser.showFoundDisc(foundMachine, foundSlot);
    if (Acknowledged(moved)) {
        const std::string machineName = m_window.changerControls().machineName(foundMachine);
        const QString told = QString::fromStdString(
                                 m_window.appContext().language.text("2113", "槽位 %1 (%2) 已在門口"))
                                 .arg(foundSlot)
                                 .arg(QString::fromStdString(machineName));
        m_window.statusPanel(3)->setText(told);
    }
    return 1;
}

void SearchTabsController::showTab(TreeNode* node)
{
    if (!node)
        return;
    const SearchTab* tab = m_tabs.tabOf(*node);
    if (!tab)
        return;
    const std::size_t index = static_cast<std::size_t>(tab->number - 1);
    m_window.browser().showSearchRows(index < m_tabRows.size() ? m_tabRows[index] : std::vector<ListRow>{});
}

void SearchTabsController::dropDisc(int machine, int slot)
{
    // A removed disc leaves the tabs' hidden lists too, or a tab would show it again.
    for (auto& rows : m_tabRows) {
        std::erase_if(rows, [&](const ListRow& row) { return row.machine == machine && row.slot == slot; });
    }
    for (int i = 0; i < m_tabs.count(); ++i) {
        std::erase_if(m_tabs[i].rows,
                      [&](const SearchRow& row) { return row.machine == machine && row.slot == slot; });
    }
}

TfrmFindFiles* SearchTabsController::openFindFiles()
{
    if (m_findFiles)
        return m_findFiles;
    TfrmFindFiles::Actions actions;
    actions.show = [this](const FoundDisc& d, const FileHit& h) { showFound(d, h); };
    actions.present = [this](const FoundDisc& d) { MoveToSlot(m_window.changer(), d.machine, d.slot); };
    actions.loadAndOpen = [this](const FoundDisc& d, const FileHit& h) {
        if (m_window.changerControls().cabinetBusy())
            return;
        std::vector<std::string> folders = h.folderNames();
        if (h.isFolder)
            folders.push_back(h.name);
        (void)LoadAndOpenFolder(m_window.changer(), d.machine, d.slot, folders);
    };
    m_findFiles = new TfrmFindFiles(m_window.catalogue(), m_cache, &m_nameIndex, std::move(actions), &m_window);
    m_findFiles->setWindowFlag(Qt::Window);
    return m_findFiles;
}

TfrmDuplicates* SearchTabsController::openDuplicates()
{
    if (!m_duplicates) {
        m_duplicates = new TfrmDuplicates(
            m_window.catalogue(), [this](int machine, int slot) { m_window.browser().selectDisc(machine, slot); },
            &m_window);
        m_duplicates->setWindowFlag(Qt::Window);
    }
    return m_duplicates;
}

void SearchTabsController::showFound(const FoundDisc& disc, const FileHit& hit)
{
    DiscBrowser& browser = m_window.browser();
    browser.syncTree();
    TreeNode* node = m_window.catalogue().categoryTree().findDisc(disc.machine, disc.slot);
    if (!node)
        return;
    // Each click on a folder node lists its run and gives the node its folder children.
    browser.nodeClicked(node);
    for (const std::string& name : hit.folderNames()) {
        TreeNode* next = nullptr;
        for (std::size_t i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text == name)
                next = node->child(i);
        if (!next)
            break;
        browser.syncTree();
        browser.nodeClicked(next);
        node = next;
    }
    browser.syncTree();
    m_window.widgets().treeView1->selectNode(node);
    ListView* files = m_window.widgets().listView1;
    const QString name = QString::fromStdString(hit.name);
    for (int i = 0; i < files->topLevelItemCount(); ++i)
        if (files->topLevelItem(i)->text(0) == name) {
            files->setCurrentItem(files->topLevelItem(i));
            break;
        }
}

void SearchTabsController::report(const std::string& error)
{
    AppContext& app = m_window.appContext();
    if (app.person)
        app.person->messageBox(error, app.windowTitle, BoxIcon::Error, BoxButtons::Ok);
}

} // namespace kavro
