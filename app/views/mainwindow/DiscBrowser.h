#pragma once

#include "changer/TakeOutFlows.h"
#include "views/lists/DiscList.h"
#include "views/lists/DragPayload.h"
#include "views/lists/ListRows.h"
#include "views/lists/ResultRowList.h"
#include "views/mainwindow/TreeDropPolicy.h"

#include <QObject>

#include <optional>
#include <string>

class QPoint;

namespace kavro {

struct AppContext;
class Catalogue;
class ChangerControls;
struct DiscRecord;
class ListItem;
class ListPane;
class ListView;
struct MainFormWidgets;
class TreeNode;

// The disc a command acts on: a selected row or node.
struct SelectedDisc {
    int machine = 0;
    int slot = 0;
    std::string title;
};

// What the main window does with its navigation trees and lists: the disc level of the tree
// (DiscList, ResultRowList), the one visible list (ActiveList) and the view mode, the machine
// mode, every click, key, menu, rename, removal and drop on the tree and the lists, and the
// information tabs of the shown disc.
class DiscBrowser : public QObject, private TreeDropPolicy {
    Q_OBJECT
public:
    DiscBrowser(Catalogue& catalogue, ChangerControls& changer, AppContext& app, MainFormWidgets& widgets,
                QObject* parent = nullptr);
    ~DiscBrowser() override;

    // Window creation: BuildDiscNodes after the categories and the registry, and the start
    // state (ListView2 active, CategoryRoot selected, view mode details).
    void buildDiscNodes();
    // The disc nodes made again from the catalogue, after discs were written behind the tree's back
    // (a cabinet cataloguing itself): the old ones go first, so that no disc shows twice.
    void rebuildDiscNodes();

    DiscList& discs() { return m_discs; }
    ResultRowList& resultRows() { return m_results; }
    RowLookups lookups() const;

    // ActiveList, ShowList and ViewMode.
    ListView* activeList() const { return m_active; }
    void showList(ListView* list);
    int viewMode() const { return m_viewMode; }
    void setViewMode(int mode);
    ListPane* paneOf(const ListView* list) const;

    // Tree mode: by machine ("依機器") and by category ("依分類").
    bool machineMode() const { return m_machineMode; }
    void showMachineMode();
    void showCategoryMode();
    // How often TreeView2 has been filled (it is rebuilt only after discs came or went).
    int machineTreeBuilds() const { return m_machineTreeBuilds; }
    void fillMachineList(int registryIndex);

    // ShowCategoryContents: ListView2 with a category's sub-categories and discs, or with every
    // disc for CategoryRoot (which it then makes the ActiveList).
    void showCategoryContents(TreeNode* node);
    // The category ListView2 shows, listed again.
    void refreshCategoryContents();
    // SelectDisc: status texts, the disc's stored tree and the information tabs.
    void selectDisc(int machine, int slot);
    // ListTreeFolder: a disc node or a folder node below one into ListView1.
    void listTreeFolder(TreeNode* node);
    // ListView3 from Data/Retrieve.log.
    void reloadTakeOutLog();
    // The add flow's new disc: a node and a DiscEntry; the machine tree is rebuilt next time.
    TreeNode* addDiscNode(const DiscRecord& disc);
    // Rows of an advanced-search tab into SearchView, made the ActiveList.
    void showSearchRows(std::vector<ListRow> rows);
    // A disc's new title in every shown list (and, through discRenamed, in the search tabs).
    void discTitleChanged(int machine, int slot, const std::string& title);
    // The disc selected and shown in the list of its category (or, for a disc without a node,
    // as the one row of ListView4), loaded as a click on it would.
    void showFoundDisc(int machine, int slot);
    // The node clicked last is handled again on the next click.
    void forgetLastNode() { m_lastNode = nullptr; }
    // Brings TreeView1 in line with the category tree model.
    void syncTree();

    // Commands of the menus and the toolbar.
    void newCategory();
    void renameCurrentNode();
    void deleteCurrentCategory();
    void removeCurrentTreeDisc();
    void renameListRow();
    void removeListRow(ListView* list);
    void deleteFromToolbar();
    // The take-out of the selected disc (toolbar, disc menus) and of a list row.
    void takeOutSelected(TakeOutSource source);
    void takeOutRow(ListView* list, TakeOutSource source);
    void loadToDrive();
    void ejectFromMenu();
    // The disc the toolbar's commands act on.
    std::optional<SelectedDisc> selectedDisc() const;
    // The list a pop-up menu was opened on.
    ListView* menuList() const { return m_menuList; }

    // The one-shot timer after the window's first activation: the selected node expanded and
    // every disc listed. False, with nothing done, while a catalogue change is under way.
    bool activationTimerFired();

    // The tree's handlers (connected at construction; public for tests).
    void nodeClicked(TreeNode* node);
    void nodeDoubleClicked(TreeNode* node);
    void nodeMenuRequested(TreeNode* node, const QPoint& globalPos);
    void nodeEdited(TreeNode* node, const QString& text);
    // TreeView1 asks before a drop: every dragged item must be allowed on the target.
    bool acceptsDrop(const DragPayload& payload, TreeNode& target) override;
    void drop(const DragPayload& payload, TreeNode* target);

    // Whether a catalogue change is under way (events on the tree are ignored meanwhile).
    bool busy() const { return m_busy > 0; }

signals:
    void searchTabClicked(kavro::TreeNode* tab);
    void discRemoved(int machine, int slot);
    void discRenamed(int machine, int slot, const std::string& title);

private:
    class Busy;

    void connectTree();
    void connectLists();
    void connectMenus();
    void listSelected(ListView* list, ListItem* item);
    void listClicked(ListView* list, ListItem* item);
    void listActivated(ListView* list, ListItem* item);
    void listMenuRequested(ListView* list, ListItem* item, const QPoint& globalPos);
    void listKeyReleased(ListView* list, ListItem* item, int key);
    void listCaptionEdited(ListItem* item, const QString& text);

    void onDiscRemoved(int machine, int slot);
    void removeDisc(int machine, int slot, TreeNode* relistParent);
    void renameDisc(int discEntry, const QString& text);
    void writeDiscStatus(int machine, int slot);
    void fillInfoTabs();
    void showPicture();
    void rebuildMachineTree();
    void showTreeCaption();
    TreeNode* resolveDragged(const DraggedItem& item) const;
    ListView* listOfSource(DragSource source) const;
    void reportFailure(const std::string& error);

    Catalogue& m_catalogue;
    ChangerControls& m_changer;
    AppContext& m_app;
    MainFormWidgets& m_w;
    DiscList m_discs;
    ResultRowList m_results;

    ListView* m_active = nullptr;
    int m_viewMode = 0;
    bool m_machineMode = false;
    bool m_machineTreeDirty = true;
    int m_machineTreeBuilds = 0;
    TreeNode* m_lastNode = nullptr; // compared, never followed
    int m_listedCategory = -1;      // CategoryList index ListView2 shows; -1 CategoryRoot
    ListView* m_menuList = nullptr;
    int m_busy = 0;
};

} // namespace kavro
