#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/search/SearchRow.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class DiscTextCache;
class NameIndex;
class SearchScope;
class SearchTabs;
struct DiscTexts;
struct SearchTab;

// The boxes of the advanced-search dialog other than the barcode box.
struct SearchCriteria {
    bool title = true;       // CheckBox1
    bool remark = false;     // CheckBox2
    bool fileName = false;   // CheckBox3
    bool other = false;      // CheckBox4
    bool folderName = false; // CheckBox5

    // With none of remark, file name, other and folder name asked, the title is searched
    // whatever its box says.
    SearchCriteria effective() const;
};

// The advanced search over the catalogue: every disc row in table order that is in the scope
// and whose title, remark or other text (as asked) contains the text, or failing those, one of
// whose stored tree's entries admitted by the name boxes has a name containing it. The dialog
// and the views around it are the caller's; the current disc and file tree are not touched.
class AdvancedSearch {
public:
    AdvancedSearch(Catalogue& catalogue, DiscTextCache& cache);

    // The result rows in table order. Nothing for an empty text or an empty scope.
    DbResult<std::vector<SearchRow>> find(std::string_view text, const SearchCriteria& criteria,
                                          const SearchScope& scope);

    // A search kept as a tab: the tab captioned exactly text is reused (its rows replaced),
    // else a new one is made under SearchRoot; then it takes the rows of find(). nullptr for an
    // empty text or scope (no tab is made then).
    DbResult<SearchTab*> run(SearchTabs& tabs, const std::string& text, const SearchCriteria& criteria,
                             const SearchScope& scope,
                             std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

    // Trees whose entry table the last find() had to read (for measurements).
    int lastIndexReads() const { return m_lastIndexReads; }

    // With a name index, the names of a disc are looked at only when its index entry says they
    // may hold the text; the rows are those of the search without it. nullptr: every tree is
    // read. The index is brought up to date by every find().
    void setNameIndex(NameIndex* index) { m_index = index; }
    // Discs whose names the last find() left unread because the index ruled them out.
    int lastSkipped() const { return m_lastSkipped; }

private:
    Catalogue& m_catalogue;
    DiscTextCache& m_cache;
    NameIndex* m_index = nullptr;
    int m_lastIndexReads = 0;
    int m_lastSkipped = 0;
};

// The result row of a disc as the searches show it.
SearchRow MakeSearchRow(Catalogue& catalogue, const DiscTexts& disc, const SearchScope& scope);

} // namespace kavro
