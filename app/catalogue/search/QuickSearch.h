#pragma once

#include "catalogue/records/CategoryTree.h"
#include "catalogue/database/DbResult.h"
#include "catalogue/search/SearchRow.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class DiscTextCache;

// A disc entry of the machine view's table, as the machine mode matches against it.
struct DiscKey {
    NodeKind kind = NodeKind::Disc; // Removed entries are passed over
    int machine = 0;
    int slot = 0;
};

// The search behind the edit line above the lists: disc titles containing the typed text, in
// table order. The widget side decides when to ask and where the rows go.
class QuickSearch {
public:
    QuickSearch(Catalogue& catalogue, DiscTextCache& cache);

    // Whether a key released in the edit line starts a search: Backspace (8), Enter (13) and
    // every code from 32 to 126.
    static bool isTriggerKey(int virtualKey);

    // A search runs only when the text differs from the last quick-search text; then the text
    // becomes the last one and true is returned.
    bool takeText(std::string_view text);
    const std::string& lastText() const { return m_lastText; }
    // The "Clear" button makes the empty text the last one.
    void setLastText(std::string text) { m_lastText = std::move(text); }

    // Category mode: discs in the scope of selected when it is a category node, else of
    // CategoryRoot; a disc of a category that is not loaded is always in scope. Nothing for an
    // empty text or when there is no category.
    DbResult<std::vector<SearchRow>> inCategories(std::string_view text, const TreeNode* selected);

    // Machine mode: discs that have an entry of the same machine and slot among entries; each
    // row's entry field is the index of the first such entry.
    DbResult<std::vector<SearchRow>> inMachines(std::string_view text, std::span<const DiscKey> entries);

private:
    Catalogue& m_catalogue;
    DiscTextCache& m_cache;
    std::string m_lastText;
};

} // namespace kavro
