#include "views/mainwindow/DiscBrowser.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/CategoryMoves.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "changer/RetrieveLog.h"
#include "content/ListTreeFolder.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "views/lists/BuildDiscNodes.h"
#include "views/mainwindow/ChangerControls.h"
#include "views/mainwindow/DiscPictureView.h"
#include "views/mainwindow/Icons.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/MainFormWidgets.h"
#include "views/mainwindow/NavigationTree.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QAction* menuEntry(QMenu* menu, const char* name)
{
    return menu ? menu->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

void setEntryVisible(QMenu* menu, const char* name, bool visible)
{
    if (QAction* action = menuEntry(menu, name))
        action->setVisible(visible);
}

// Multi-line texts of the record use CR LF; the text boxes want plain line feeds.
QString boxText(const std::string& s)
{
    QString t = qs(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

bool isSearchList(const ListView* list)
{
    return list->kind() == ListKind::QuickSearch || list->kind() == ListKind::Search;
}

} // namespace

// Marks a catalogue change under way: TreeView1 ignores the person meanwhile, since its items
// may stand for nodes the change has already removed until the tree is synced again.
class DiscBrowser::Busy {
public:
    explicit Busy(DiscBrowser& browser, bool reenableLater = false)
        : m_browser(browser), m_later(reenableLater)
    {
        if (m_browser.m_busy++ == 0)
            m_browser.m_w.treeView1->setEnabled(false);
    }
    ~Busy()
    {
        if (--m_browser.m_busy > 0)
            return;
        NavigationTree* tree = m_browser.m_w.treeView1;
        if (m_later)
            QTimer::singleShot(1000, tree, [tree] { tree->setEnabled(true); });
        else
            tree->setEnabled(true);
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    DiscBrowser& m_browser;
    bool m_later;
};

DiscBrowser::DiscBrowser(Catalogue& catalogue, ChangerControls& changer, AppContext& app,
                         MainFormWidgets& widgets, QObject* parent)
    : QObject(parent), m_catalogue(catalogue), m_changer(changer), m_app(app), m_w(widgets),
      m_active(widgets.listView2)
{
    m_catalogue.setDiscRemovedHandler([this](int machine, int slot) { onDiscRemoved(machine, slot); });
    connectTree();
    connectLists();
    connectMenus();
}

DiscBrowser::~DiscBrowser()
{
    m_catalogue.setDiscRemovedHandler(nullptr);
    m_w.treeView1->setDropPolicy(nullptr);
}

RowLookups DiscBrowser::lookups() const
{
    RowLookups result;
    result.machineName = [this](int machine) { return m_changer.machineName(machine); };
    result.isDriveMachine = [this](int machine, const std::string& deviceType) {
        return m_changer.isDriveMachineDisc(machine, deviceType);
    };
    return result;
}

void DiscBrowser::buildDiscNodes()
{
    BuildDiscNodes(m_catalogue, m_discs);
    m_w.treeView1->setSource(&m_catalogue.categoryTree());
    if (TreeNode* root = m_catalogue.categoryTree().categoryRoot()) {
        if (QTreeWidgetItem* item = m_w.treeView1->itemOf(root))
            item->setExpanded(true);
        m_w.treeView1->selectNode(root);
    }
    m_machineTreeDirty = true;
}

void DiscBrowser::rebuildDiscNodes()
{
    CategoryTree& tree = m_catalogue.categoryTree();
    std::vector<TreeNode*> discNodes;
    if (TreeNode* root = tree.categoryRoot())
        root->forEachDescendant([&](TreeNode& node) {
            if (node.isDisc())
                discNodes.push_back(&node);
        });
    m_discs.clear();
    for (TreeNode* node : discNodes)
        tree.remove(*node);
    buildDiscNodes();
}

void DiscBrowser::syncTree()
{
    m_w.treeView1->sync();
}

ListPane* DiscBrowser::paneOf(const ListView* list) const
{
    return list ? static_cast<ListPane*>(list->parentWidget()) : nullptr;
}

void DiscBrowser::showList(ListView* list)
{
    if (!list)
        return;
    m_w.status[2]->setText(QString::number(list->rowCount()));
    if (m_machineMode && list == m_w.listView5) {
        paneOf(list)->show();
        return;
    }
    if (list == m_active)
        return;
    if (m_active && m_active != list)
        paneOf(m_active)->hide();
    m_active = list;
    ListPane* pane = paneOf(list);
    pane->setViewMode(m_viewMode);
    if (!m_machineMode) {
        pane->show();
        m_w.leftSplitter->show();
    }
}

void DiscBrowser::setViewMode(int mode)
{
    m_viewMode = mode;
    ListPane* pane = m_machineMode ? m_w.paneListView5 : paneOf(m_active);
    if (pane)
        pane->setViewMode(mode);
}

void DiscBrowser::showMachineMode()
{
    // The quick-search strip stays: its search fills ListView5 in this mode.
    m_w.panel3->show();
    if (m_machineTreeDirty)
        rebuildMachineTree();
    m_w.leftSplitter->hide();
    if (m_active)
        paneOf(m_active)->hide();
    m_w.treeView2->show();
    m_w.paneListView5->setViewMode(m_viewMode);
    m_w.paneListView5->show();
    m_machineMode = true;
    m_w.status[2]->setText(QString::number(m_w.listView5->rowCount()));
    showTreeCaption();
}

void DiscBrowser::showCategoryMode()
{
    m_w.panel3->show();
    m_w.treeView2->hide();
    m_w.paneListView5->hide();
    m_w.leftSplitter->show();
    if (m_active) {
        paneOf(m_active)->setViewMode(m_viewMode);
        paneOf(m_active)->show();
        m_w.status[2]->setText(QString::number(m_active->rowCount()));
    }
    m_machineMode = false;
    showTreeCaption();
}

void DiscBrowser::showTreeCaption()
{
    if (!m_w.tntPanel2)
        return;
    m_w.tntPanel2->setText(m_machineMode ? qs(m_app.language.text("2112", "機器列表"))
                                         : qs(m_app.language.text("2098", "光碟分類")));
}

void DiscBrowser::rebuildMachineTree()
{
    QTreeWidget* tree = m_w.treeView2;
    tree->clear();
    const MachineTable& machines = m_changer.context().machines;
    for (int i = 0; i < machines.count(); ++i) {
        auto* item = new QTreeWidgetItem(tree, {qs(machines.entry(i).name)});
        item->setIcon(0, icons::machine());
        item->setData(0, Qt::UserRole, i);
    }
    m_machineTreeDirty = false;
    ++m_machineTreeBuilds;
}

void DiscBrowser::fillMachineList(int registryIndex)
{
    const int machine = m_changer.context().machines.MachineAt(registryIndex);
    BusyCursor busy(*m_app.person);
    m_w.listView5->setRows(MachineDiscRows(machine, m_discs, lookups()));
    m_w.listView5->sortDefault();
    if (m_machineMode)
        m_w.status[2]->setText(QString::number(m_w.listView5->rowCount()));
}

void DiscBrowser::showCategoryContents(TreeNode* node)
{
    if (!node)
        return;
    m_w.listView2->setRows(CategoryContentsRows(*node, m_discs, lookups()));
    m_w.listView2->sortDefault();
    m_listedCategory = node->isCategory() ? node->entry : -1;
    if (node->top == TopNode::CategoryRoot)
        showList(m_w.listView2);
}

void DiscBrowser::refreshCategoryContents()
{
    CategoryList& categories = m_catalogue.categories();
    TreeNode* node = nullptr;
    if (m_listedCategory >= 0 && m_listedCategory < categories.count())
        node = categories[m_listedCategory].node;
    if (!node) {
        node = m_catalogue.categoryTree().categoryRoot();
        if (!node)
            return;
        // Every disc, but without making ListView2 the shown list.
        m_w.listView2->setRows(CategoryContentsRows(*node, m_discs, lookups()));
        m_w.listView2->sortDefault();
        m_listedCategory = -1;
    } else {
        showCategoryContents(node);
    }
    if (m_active == m_w.listView2 && !m_machineMode)
        m_w.status[2]->setText(QString::number(m_w.listView2->rowCount()));
}

void DiscBrowser::writeDiscStatus(int machine, int slot)
{
    m_w.status[0]->setText(QStringLiteral("ID: ") + QString::number(machine));
    m_w.status[1]->setText(QStringLiteral("ID NAME : ") + qs(m_changer.machineName(machine)));
    m_w.status[2]->setText(QStringLiteral("SLOT : ") + QString::number(slot));
}

void DiscBrowser::selectDisc(int machine, int slot)
{
    writeDiscStatus(machine, slot);
    if (LoadDiscTree(m_catalogue, machine, slot))
        fillInfoTabs();
}

void DiscBrowser::fillInfoTabs()
{
    const DiscRecord& disc = m_catalogue.currentDisc();
    showPicture();
    m_w.richEditVolume2->setPlainText(boxText(disc.summary));
    m_w.staticText3->setText(qs(disc.barcode));
    m_w.richEditVolume3->setPlainText(boxText(disc.other));
    m_w.richEditVolume4->setPlainText(boxText(disc.remark));
}

void DiscBrowser::showPicture()
{
    // LoadDiscTree leaves DiscCursor on the disc's row.
    DiscPictureView(*m_w.image1).show(m_catalogue.discCursor().field("Pic").bytes());
}

void DiscBrowser::listTreeFolder(TreeNode* node)
{
    std::vector<std::string> path;
    TreeNode* disc = node;
    while (disc && !disc->hasData()) {
        if (disc->isTop())
            return;
        path.push_back(disc->text);
        disc = disc->parent();
    }
    if (!disc || !disc->isDisc())
        return;
    std::reverse(path.begin(), path.end());
    const FileTree& tree = m_catalogue.fileTree();
    const auto start = resolveRun(tree, path);
    if (!start)
        return; // the path no longer matches the loaded tree: the list stays as it was
    FolderListing listing = listRun(tree, *start);
    if (node->childCount() == 0 && !listing.folderNames.empty()) {
        for (const std::string& name : listing.folderNames)
            node->addChild(name);
        syncTree();
    }
    m_w.listView1->setRows(FileRows(listing));
    m_w.listView1->sortDefault();
}

void DiscBrowser::reloadTakeOutLog()
{
    m_w.listView3->setRows(LogRows(ReadRetrieveLog(m_catalogue.dataFolder() / "Retrieve.log")));
}

TreeNode* DiscBrowser::addDiscNode(const DiscRecord& disc)
{
    TreeNode* node = AddDiscNode(m_catalogue, m_discs, disc);
    m_machineTreeDirty = true;
    syncTree();
    return node;
}

void DiscBrowser::showSearchRows(std::vector<ListRow> rows)
{
    m_w.searchView->setRows(std::move(rows));
    showList(m_w.searchView);
}

// The tree.

void DiscBrowser::connectTree()
{
    NavigationTree* tree = m_w.treeView1;
    tree->setDropPolicy(this);
    connect(tree, &NavigationTree::nodeClicked, this, &DiscBrowser::nodeClicked);
    connect(tree, &NavigationTree::nodeDoubleClicked, this, &DiscBrowser::nodeDoubleClicked);
    connect(tree, &NavigationTree::nodeMenuRequested, this, &DiscBrowser::nodeMenuRequested);
    connect(tree, &NavigationTree::nodeEdited, this, &DiscBrowser::nodeEdited);
    connect(tree, &NavigationTree::payloadDropped, this, &DiscBrowser::drop);

    QTreeWidget* machines = m_w.treeView2;
    const auto fill = [this](QTreeWidgetItem* item) {
        if (item)
            fillMachineList(item->data(0, Qt::UserRole).toInt());
    };
    connect(machines, &QTreeWidget::itemClicked, this, [fill](QTreeWidgetItem* item, int) { fill(item); });
    connect(machines, &QTreeWidget::currentItemChanged, this, [fill](QTreeWidgetItem* item) { fill(item); });
}

void DiscBrowser::nodeClicked(TreeNode* node)
{
    if (!node || busy() || node == m_lastNode)
        return;
    m_lastNode = node;
    if (node->isCategory()) {
        showCategoryContents(node);
        showList(m_w.listView2);
        return;
    }
    if (node->kind == NodeKind::SearchTab) {
        emit searchTabClicked(node);
        return;
    }
    if (node->isDisc()) {
        if (m_active != m_w.listView1)
            showList(m_w.listView1);
        selectDisc(node->machine, node->slot);
        listTreeFolder(node);
        return;
    }
    switch (node->top) {
    case TopNode::CategoryRoot:
        showCategoryContents(node);
        return;
    case TopNode::LogRoot:
        reloadTakeOutLog();
        showList(m_w.listView3);
        return;
    case TopNode::SearchRoot:
        return;
    case TopNode::None:
        break;
    }
    if (node->hasData())
        return;
    // A folder node: its disc is the nearest node above it with data.
    TreeNode* disc = node->parent();
    while (disc && !disc->hasData() && !disc->isTop())
        disc = disc->parent();
    if (!disc || !disc->isDisc())
        return;
    if (m_active != m_w.listView1) {
        showList(m_w.listView1);
        writeDiscStatus(disc->machine, disc->slot);
    }
    const FileTree& tree = m_catalogue.fileTree();
    if (tree.machine != disc->machine || tree.slot != disc->slot) {
        if (LoadDiscTree(m_catalogue, disc->machine, disc->slot))
            fillInfoTabs();
    }
    listTreeFolder(node);
}

void DiscBrowser::nodeDoubleClicked(TreeNode* node)
{
    if (!node || busy() || !node->isDisc())
        return;
    if (keys::read(*m_app.settings, keys::DblClickMain) == 0)
        m_changer.doorAction(node->machine, node->slot);
    else
        m_changer.awaitReady(node->machine);
}

void DiscBrowser::nodeMenuRequested(TreeNode* node, const QPoint& globalPos)
{
    if (!node || busy())
        return;
    QMenu* menu = m_w.categoryMenu;
    if (node->top == TopNode::CategoryRoot || node->isCategory()) {
        const bool root = node->top == TopNode::CategoryRoot;
        setEntryVisible(menu, "N38", !root); // new disc
        setEntryVisible(menu, "N22", root);  // new category
        setEntryVisible(menu, "N23", !root); // rename category
        setEntryVisible(menu, "N11", !root); // delete category
        menu->popup(globalPos);
    } else if (node->isDisc()) {
        m_w.discMenu->popup(globalPos);
    }
}

void DiscBrowser::newCategory()
{
    TreeNode* node = nullptr;
    {
        Busy busy(*this);
        auto made = NewCategory(m_catalogue);
        if (!made)
            reportFailure(made.error());
        else
            node = *made;
        syncTree();
    }
    if (!node)
        return;
    m_w.treeView1->selectNode(node);
    m_w.treeView1->startEditing(node);
}

void DiscBrowser::renameCurrentNode()
{
    TreeNode* node = m_w.treeView1->currentNode();
    if (node && (node->isCategory() || node->isDisc()) && !busy())
        m_w.treeView1->startEditing(node);
}

void DiscBrowser::nodeEdited(TreeNode* node, const QString& text)
{
    if (!node || busy())
        return;
    if (node->isCategory()) {
        bool renamed = false;
        {
            Busy busy(*this);
            auto result = RenameCategory(m_catalogue, *node, text.toStdString());
            if (!result)
                reportFailure(result.error());
            else
                renamed = *result;
            syncTree(); // a refused name comes back as it was
        }
        if (renamed)
            showCategoryContents(node);
    } else if (node->isDisc()) {
        renameDisc(node->entry, text);
    }
}

void DiscBrowser::renameDisc(int discEntry, const QString& text)
{
    if (!m_discs.valid(discEntry) || !m_discs[discEntry].isDisc())
        return;
    const DiscEntry& entry = m_discs[discEntry];
    TreeNode* node = entry.node;
    {
        Busy busy(*this);
        auto changed =
            ChangeDiscTitle(m_catalogue, entry.machine, entry.slot, text::trimBlanks(text.toStdString()));
        if (!changed) {
            reportFailure(changed.error());
        } else if (*changed) {
            // The title as stored (cut to its column).
            node->text = text::trimSpaces(m_catalogue.discCursor().text("TitleA"));
            discTitleChanged(entry.machine, entry.slot, node->text);
        }
        m_catalogue.categoryTree().sort();
        syncTree(); // a refused title comes back as it was
    }
    if (node->parent() && node->parent()->isCategory())
        showCategoryContents(node->parent());
}

void DiscBrowser::discTitleChanged(int machine, int slot, const std::string& title)
{
    for (ListView* list : {m_w.listView2, m_w.listView4, m_w.listView5, m_w.searchView}) {
        for (int i = 0; i < list->rowCount(); ++i) {
            ListItem* item = list->rowAt(i);
            if (item->row().isDisc() && item->row().machine == machine && item->row().slot == slot)
                item->setCaption(title);
        }
    }
    emit discRenamed(machine, slot, title);
}

void DiscBrowser::showFoundDisc(int machine, int slot)
{
    if (m_machineMode)
        showCategoryMode();
    ListView* list = m_w.listView2;
    TreeNode* node = m_catalogue.categoryTree().findDisc(machine, slot);
    if (node && node->parent()) {
        m_w.treeView1->selectNode(node->parent());
        showCategoryContents(node->parent());
        showList(m_w.listView2);
    } else {
        // Filed under a category that is not loaded: the disc has no node, only its row.
        list = m_w.listView4;
        if (!LocateDisc(m_catalogue, machine, slot) || !ReadDiscRecord(m_catalogue))
            return;
        const DiscRecord& disc = m_catalogue.currentDisc();
        const int entry = m_results.add(machine, slot);
        list->setRows({SearchResultRow(entry, machine, slot, disc.title, disc.categoryName, disc.deviceType,
                                       lookups())});
        showList(list);
    }
    m_lastNode = nullptr;
    for (int i = 0; i < list->rowCount(); ++i) {
        const ListRow& row = list->rowAt(i)->row();
        if (row.isDisc() && row.machine == machine && row.slot == slot) {
            const bool blocked = list->blockSignals(true);
            list->clearSelection();
            list->selectRow(list->rowAt(i));
            list->blockSignals(blocked);
            break;
        }
    }
    selectDisc(machine, slot);
}

void DiscBrowser::deleteCurrentCategory()
{
    TreeNode* node = m_w.treeView1->currentNode();
    if (!node || !node->isCategory() || busy())
        return;
    bool deleted = false;
    {
        Busy busy(*this);
        auto result = DeleteCategory(m_catalogue, *node);
        if (!result)
            reportFailure(result.error());
        else
            deleted = *result;
        syncTree();
    }
    if (deleted) {
        m_lastNode = nullptr;
        refreshCategoryContents();
    }
}

void DiscBrowser::removeCurrentTreeDisc()
{
    TreeNode* node = m_w.treeView1->currentNode();
    if (!node || !node->isDisc() || busy())
        return;
    removeDisc(node->machine, node->slot, node->parent());
}

void DiscBrowser::removeDisc(int machine, int slot, TreeNode* relistParent)
{
    // The question names the disc that goes (its title, machine and slot), and Enter keeps it.
    std::string title;
    if (TreeNode* node = m_catalogue.categoryTree().findDisc(machine, slot))
        title = node->text;
    else if (LocateDisc(m_catalogue, machine, slot) && ReadDiscRecord(m_catalogue))
        title = m_catalogue.currentDisc().title;
    else
        return; // no such disc: nothing to ask about
    const std::string question = m_app.language.text("1000", "確定刪除此筆資料嗎？") + "\n\n" + title + "\n" +
                                 m_changer.machineName(machine) + ", " + m_app.language.text("0003", "槽位") +
                                 " " + std::to_string(slot);
    if (m_app.person->messageBox(question, m_app.language.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                 BoxButtons::OkCancel, BoxAnswer::Cancel) != BoxAnswer::Ok)
        return;
    bool removed = false;
    {
        Busy busy(*this);
        auto result = DeleteDisc(m_catalogue, machine, slot, true);
        if (!result)
            reportFailure(result.error());
        else
            removed = *result;
        syncTree();
    }
    if (removed && relistParent && relistParent->isCategory())
        showCategoryContents(relistParent);
}

void DiscBrowser::onDiscRemoved(int machine, int slot)
{
    for (ListView* list : {m_w.searchView, m_w.listView2, m_w.listView4, m_w.listView5})
        list->removeDisc(machine, slot);
    m_discs.markRemoved(m_discs.find(machine, slot));
    m_machineTreeDirty = true;
    m_lastNode = nullptr;
    emit discRemoved(machine, slot);
}

TreeNode* DiscBrowser::resolveDragged(const DraggedItem& item) const
{
    if (item.isCategory) {
        const CategoryList& categories = m_catalogue.categories();
        if (item.categoryEntry < 0 || item.categoryEntry >= categories.count())
            return nullptr;
        return categories[item.categoryEntry].node;
    }
    const int index = m_discs.find(item.machine, item.slot);
    return index >= 0 ? m_discs[index].node : nullptr;
}

ListView* DiscBrowser::listOfSource(DragSource source) const
{
    switch (source) {
    case DragSource::CategoryList:
        return m_w.listView2;
    case DragSource::QuickSearchList:
        return m_w.listView4;
    case DragSource::SearchView:
        return m_w.searchView;
    case DragSource::MachineList:
        return m_w.listView5;
    case DragSource::CategoryTree:
        break;
    }
    return nullptr;
}

bool DiscBrowser::acceptsDrop(const DragPayload& payload, TreeNode& target)
{
    if (busy() || payload.items.empty())
        return false;
    for (const DraggedItem& item : payload.items) {
        TreeNode* dragged = resolveDragged(item);
        if (!dragged || !CanDropOnCategoryTree(payload.source, *dragged, target))
            return false;
    }
    return true;
}

void DiscBrowser::drop(const DragPayload& payload, TreeNode* target)
{
    if (!target || busy() || payload.source == DragSource::MachineList)
        return;
    Busy busy(*this, true);
    for (const DraggedItem& item : payload.items) {
        TreeNode* dragged = resolveDragged(item);
        if (!dragged || !CanDropOnCategoryTree(payload.source, *dragged, *target))
            continue;
        auto effect = DropOnCategoryTree(m_catalogue, payload.source, *dragged, *target);
        if (!effect) {
            reportFailure(effect.error());
            break;
        }
        if (*effect == DropEffect::DiscMoved) {
            DiscEntry& entry = m_discs[dragged->entry];
            entry.categoryOrdinal = target->entry;
            entry.categoryName = text::trimSpaces(target->text);
            if (ListView* source = listOfSource(payload.source))
                source->removeDisc(item.machine, item.slot);
        }
    }
    syncTree();
    m_lastNode = nullptr;
    // A category or disc dragged out of the listed category leaves its rows there too.
    refreshCategoryContents();
}

// The lists.

void DiscBrowser::connectLists()
{
    for (ListView* list :
         {m_w.listView1, m_w.listView2, m_w.listView3, m_w.listView4, m_w.listView5, m_w.searchView}) {
        connect(list, &ListView::rowSelected, this,
                [this, list](ListItem* item) { listSelected(list, item); });
        connect(list, &ListView::rowClicked, this, [this, list](ListItem* item) { listClicked(list, item); });
        connect(list, &ListView::rowDoubleClicked, this,
                [this, list](ListItem* item) { listActivated(list, item); });
        connect(list, &ListView::rowMenuRequested, this,
                [this, list](ListItem* item, const QPoint& pos) { listMenuRequested(list, item, pos); });
        connect(list, &ListView::rowKeyReleased, this,
                [this, list](ListItem* item, int key) { listKeyReleased(list, item, key); });
    }
    connect(m_w.listView2, &ListView::captionEdited, this, &DiscBrowser::listCaptionEdited);
    m_w.listView2->setDragSource(DragSource::CategoryList);
    m_w.listView4->setDragSource(DragSource::QuickSearchList);
    m_w.listView5->setDragSource(DragSource::MachineList);
    m_w.searchView->setDragSource(DragSource::SearchView);
}

void DiscBrowser::listSelected(ListView* list, ListItem* item)
{
    if (!item || !item->row().isDisc())
        return;
    const ListRow& row = item->row();
    if (list == m_w.listView2 || list == m_w.listView5) {
        m_changer.selectRow(row.machine, row.slot, row.red);
        selectDisc(row.machine, row.slot);
    } else if (isSearchList(list)) {
        m_changer.selectRow(row.machine, row.slot, row.red);
    }
}

void DiscBrowser::listClicked(ListView* list, ListItem* item)
{
    if (!item || !item->row().isDisc())
        return;
    const ListRow& row = item->row();
    if (isSearchList(list)) {
        selectDisc(row.machine, row.slot);
    } else if (list == m_w.listView5) {
        writeDiscStatus(row.machine, row.slot);
        m_changer.clickMachineRow(row.machine, row.slot);
    }
}

void DiscBrowser::listActivated(ListView* list, ListItem* item)
{
    if (!item || !item->row().isDisc())
        return;
    const ListRow& row = item->row();
    if (list == m_w.listView2) {
        if (keys::read(*m_app.settings, keys::DblClickMain) != 0)
            m_changer.takeOut(row.machine, row.slot, row.text(0), TakeOutSource::LeavesMonitor);
        else
            m_changer.doorAction(row.machine, row.slot);
    } else if (isSearchList(list)) {
        // Only for the machine of the disc shown last.
        if (row.machine != m_catalogue.fileTree().machine)
            return;
        if (LoadDiscTree(m_catalogue, row.machine, row.slot))
            fillInfoTabs();
        m_changer.takeOut(row.machine, row.slot, row.text(0), TakeOutSource::LeavesMonitor);
    } else if (list == m_w.listView5) {
        m_changer.takeOut(row.machine, row.slot, row.text(0), TakeOutSource::LeavesMonitor);
    }
}

void DiscBrowser::listKeyReleased(ListView* list, ListItem* item, int key)
{
    if (!item)
        return;
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (isSearchList(list)) {
        if (key == Qt::Key_Up || key == Qt::Key_Down)
            listClicked(list, item);
        else if (enter)
            listActivated(list, item);
    } else if (list == m_w.listView5 && enter) {
        listActivated(list, item);
    }
}

void DiscBrowser::listMenuRequested(ListView* list, ListItem* item, const QPoint& globalPos)
{
    if (!item || busy())
        return;
    m_menuList = list;
    const ListRow& row = item->row();
    if (list == m_w.listView2) {
        if (row.isDisc())
            writeDiscStatus(row.machine, row.slot);
        list->selectRow(item);
        m_w.popupMenuLv2->popup(globalPos);
    } else if (list == m_w.listView5) {
        writeDiscStatus(row.machine, row.slot);
        list->selectRow(item);
        m_w.popupMenuSearch->popup(globalPos);
    } else if (isSearchList(list)) {
        list->selectRow(item);
        m_w.popupMenuSearch->popup(globalPos);
    }
}

void DiscBrowser::renameListRow()
{
    ListItem* item = m_w.listView2->selectedRow();
    if (item && item->row().kind == RowKind::Disc)
        m_w.listView2->startCaptionEdit(item);
}

void DiscBrowser::listCaptionEdited(ListItem* item, const QString& text)
{
    const ListRow row = item->row();
    if (row.kind != RowKind::Disc || !m_discs.valid(row.discEntry)) {
        item->setCaption(row.text(0));
        return;
    }
    // The row shows the new title only once it is stored.
    item->setCaption(row.text(0));
    renameDisc(row.discEntry, text);
}

void DiscBrowser::removeListRow(ListView* list)
{
    if (!list || busy())
        return;
    ListItem* item = list->selectedRow();
    if (item && item->row().isDisc())
        removeDisc(item->row().machine, item->row().slot, nullptr);
}

void DiscBrowser::deleteFromToolbar()
{
    if (busy())
        return;
    if (m_w.paneListView2->isVisible() && m_w.paneListView2->hasListFocus()) {
        ListItem* item = m_w.listView2->selectedRow();
        if (item && item->row().kind == RowKind::Disc)
            removeDisc(item->row().machine, item->row().slot, nullptr);
        return;
    }
    if (m_w.treeView1->isVisible() && m_w.treeView1->hasFocus()) {
        TreeNode* node = m_w.treeView1->currentNode();
        if (node && node->isCategory())
            deleteCurrentCategory();
        else if (node && node->isDisc())
            removeCurrentTreeDisc();
        return;
    }
    for (ListView* list : {m_w.listView4, m_w.listView5, m_w.searchView}) {
        if (paneOf(list)->isVisible()) {
            removeListRow(list);
            return;
        }
    }
}

// Commands.

std::optional<SelectedDisc> DiscBrowser::selectedDisc() const
{
    ListView* list = m_machineMode ? m_w.listView5 : m_active;
    if (list && list != m_w.listView1 && list != m_w.listView3) {
        if (ListItem* item = list->selectedRow(); item && item->row().isDisc())
            return SelectedDisc{item->row().machine, item->row().slot, item->row().text(0)};
    }
    if (!m_machineMode) {
        if (TreeNode* node = m_w.treeView1->currentNode(); node && node->isDisc())
            return SelectedDisc{node->machine, node->slot, node->text};
    }
    return std::nullopt;
}

void DiscBrowser::takeOutSelected(TakeOutSource source)
{
    if (busy())
        return;
    if (const auto disc = selectedDisc())
        m_changer.takeOut(disc->machine, disc->slot, disc->title, source);
}

void DiscBrowser::takeOutRow(ListView* list, TakeOutSource source)
{
    if (!list || busy())
        return;
    ListItem* item = list->selectedRow();
    if (item && item->row().isDisc())
        m_changer.takeOut(item->row().machine, item->row().slot, item->row().text(0), source);
}

void DiscBrowser::loadToDrive()
{
    m_changer.loadToDrive();
}

void DiscBrowser::ejectFromMenu()
{
    m_changer.ejectFromMenu();
}

void DiscBrowser::connectMenus()
{
    const auto on = [this](QMenu* menu, const char* name, auto handler) {
        if (QAction* action = menuEntry(menu, name))
            connect(action, &QAction::triggered, this, handler);
    };
    on(m_w.categoryMenu, "N22", [this] { newCategory(); });
    on(m_w.categoryMenu, "N23", [this] { renameCurrentNode(); });
    on(m_w.categoryMenu, "N11", [this] { deleteCurrentCategory(); });
    on(m_w.discMenu, "N40", [this] {
        if (TreeNode* node = m_w.treeView1->currentNode(); node && node->isDisc() && !busy())
            m_changer.takeOut(node->machine, node->slot, node->text, TakeOutSource::StopsMonitor);
    });
    on(m_w.discMenu, "N41", [this] { renameCurrentNode(); });
    on(m_w.discMenu, "N39", [this] { removeCurrentTreeDisc(); });

    on(m_w.popupMenuLv2, "N26", [this] { renameListRow(); });
    on(m_w.popupMenuLv2, "N2", [this] { removeListRow(m_w.listView2); });
    on(m_w.popupMenuLv2, "N7", [this] { takeOutRow(m_w.listView2, TakeOutSource::StopsMonitor); });
    on(m_w.popupMenuLv2, "EjectRW", [this] { ejectFromMenu(); });
    on(m_w.popupMenuLv2, "LoadRW", [this] { loadToDrive(); });

    on(m_w.popupMenuSearch, "N12", [this] { takeOutRow(m_menuList, TakeOutSource::LeavesMonitor); });
    on(m_w.popupMenuSearch, "N4", [this] { removeListRow(m_menuList); });
    on(m_w.popupMenuSearch, "EjectRWs", [this] { ejectFromMenu(); });
    on(m_w.popupMenuSearch, "LoadRWs", [this] { loadToDrive(); });
}

bool DiscBrowser::activationTimerFired()
{
    if (busy())
        return false;
    if (QTreeWidgetItem* item = m_w.treeView1->currentItem())
        item->setExpanded(true);
    showCategoryContents(m_catalogue.categoryTree().categoryRoot());
    return true;
}

void DiscBrowser::reportFailure(const std::string& error)
{
    m_app.person->messageBox(error, "System Message", BoxIcon::Error, BoxButtons::Ok);
}

} // namespace kavro
