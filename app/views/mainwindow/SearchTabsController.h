#pragma once

#include "catalogue/search/AdvancedSearch.h"
#include "catalogue/search/SearchTabs.h"
#include "views/lists/ListRow.h"
#include "catalogue/search/NameIndex.h"
#include "views/dialogs/TfrmDuplicates.h"
#include "views/dialogs/TfrmFindFiles.h"
#include "views/dialogs/TfrmSearch.h"

#include <QObject>

#include <deque>
#include <functional>
#include <vector>

namespace kavro {

class DiscTextCache;
class TMainForm;
class TreeNode;

// The advanced search of the main window and the search tabs it leaves under SearchRoot. The
// toolbar's "搜尋" searches the whole catalogue (in category mode only), the category menu's
// "進階搜尋" the selected category. A search fills the tab of its text (one tab per text, refilled
// when the text comes again) and shows its rows in SearchView; clicking a tab shows them again.
// The barcode mode has the machine of the first disc whose barcode contains the text bring it to
// the door, or says "Not Find". Made once for the window, as its child.
class SearchTabsController : public QObject {
    Q_OBJECT
public:
    // Asks the person for the search; by default the dialog TfrmSearch over the window.
    using AskSearch = std::function<SearchDialogAnswer()>;

    // cache: the disc texts shared with the quick search.
    SearchTabsController(TMainForm& window, DiscTextCache& cache);

    // AdvancedSearch on the scope of node: returns the number of result rows (for the barcode
    // mode, 1 when a disc was found). Nothing happens for an empty scope.
    int advancedSearch(TreeNode* node);
    // A search tab's rows into SearchView again.
    void showTab(TreeNode* node);

    SearchTabs& tabs() { return m_tabs; }
    // The Find files window (menu entry N_find_files, Ctrl+Shift+F), made on first use and kept.
    TfrmFindFiles* openFindFiles();
    // The Duplicates window (menu entry N_duplicates), made on first use and kept.
    TfrmDuplicates* openDuplicates();
    // A Find files row shown: its disc selected with the folder open and the file selected.
    void showFound(const FoundDisc& disc, const FileHit& hit);
    void setAskSearch(AskSearch ask) { m_ask = std::move(ask); }

private:
    SearchDialogAnswer ask();
    int search(const SearchDialogAnswer& answer, const SearchScope& scope);
    int barcodeSearch(const std::string& text);
    void dropDisc(int machine, int slot);
    void report(const std::string& error);

    TMainForm& m_window;
    DiscTextCache& m_cache;
    AdvancedSearch m_search;
    SearchTabs m_tabs;
    // Each tab's hidden list, by the tab's index in m_tabs.
    std::deque<std::vector<ListRow>> m_tabRows;
    AskSearch m_ask;
    // Shared by the advanced search and Find files.
    NameIndex m_nameIndex;
    TfrmFindFiles* m_findFiles = nullptr;
    TfrmDuplicates* m_duplicates = nullptr;
};

} // namespace kavro
