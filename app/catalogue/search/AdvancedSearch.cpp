#include "catalogue/search/AdvancedSearch.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/MatchText.h"
#include "catalogue/search/NameIndex.h"
#include "catalogue/search/SearchScope.h"
#include "catalogue/search/SearchTabs.h"
#include "catalogue/search/TreeNameSearch.h"
#include "platform/Person.h"

#include <optional>

namespace kavro {

SearchCriteria SearchCriteria::effective() const
{
    SearchCriteria c = *this;
    if (!remark && !fileName && !other && !folderName)
        c.title = true;
    return c;
}

SearchRow MakeSearchRow(Catalogue& catalogue, const DiscTexts& disc, const SearchScope& scope)
{
    SearchRow row;
    row.machine = disc.machine;
    row.slot = disc.slot;
    row.title = disc.title;
    row.machineName = catalogue.machineName(disc.machine);
    row.categoryName = scope.categoryName(disc.categoryId);
    row.deviceType = disc.deviceType;
    row.driveModel = disc.deviceType == kDriveModel;
    return row;
}

AdvancedSearch::AdvancedSearch(Catalogue& catalogue, DiscTextCache& cache)
    : m_catalogue(catalogue), m_cache(cache)
{
}

DbResult<std::vector<SearchRow>> AdvancedSearch::find(std::string_view text, const SearchCriteria& criteria,
                                                      const SearchScope& scope)
{
    m_lastIndexReads = 0;
    m_lastSkipped = 0;
    std::vector<SearchRow> rows;
    const FoldedPattern pattern(text);
    if (pattern.empty() || scope.empty())
        return rows;
    BusyCursor busy(m_catalogue.person());
    if (auto s = m_cache.refresh(m_catalogue.database()); !s)
        return s;
    const SearchCriteria c = criteria.effective();
    const bool names = c.fileName || c.folderName;
    // An index that cannot be brought up to date is not asked: every tree is read.
    const bool indexed = names && m_index && pattern.size() >= 3 &&
                         m_index->refresh(m_catalogue.database(), m_cache.rows(), &m_catalogue.person()).ok();
    const GramQuery grams = indexed ? GramQuery(text) : GramQuery();
    // Made on the first tree to look into; it holds the blob handles until the search ends.
    std::optional<TreeNameSearch> trees;
    for (const DiscTexts& disc : m_cache.rows()) {
        if (!InScope(scope, disc.categoryId))
            continue;
        bool hit = (c.title && pattern.matches(disc.title)) || (c.remark && pattern.matches(disc.remark)) ||
                   (c.other && pattern.matches(disc.other));
        if (!hit && names && disc.hasTree()) {
            if (indexed && !m_index->mayHold(disc.rowId, grams)) {
                ++m_lastSkipped;
                continue;
            }
            if (!trees)
                trees.emplace(m_catalogue.database().handle(), pattern, c.fileName, c.folderName);
            hit = trees->hits(disc.rowId, disc.indexCount, disc.dataCount);
        }
        if (hit)
            rows.push_back(MakeSearchRow(m_catalogue, disc, scope));
    }
    if (trees)
        m_lastIndexReads = trees->indexReads();
    return rows;
}

DbResult<SearchTab*> AdvancedSearch::run(SearchTabs& tabs, const std::string& text,
                                         const SearchCriteria& criteria, const SearchScope& scope,
                                         std::chrono::system_clock::time_point now)
{
    if (text.empty() || scope.empty())
        return static_cast<SearchTab*>(nullptr);
    SearchTab* tab = tabs.open(m_catalogue.categoryTree(), text, now);
    if (!tab)
        return DbResult<SearchTab*>::failure("The navigation tree has no search node.");
    auto rows = find(text, criteria, scope);
    if (!rows)
        return rows.status();
    tab->rows = std::move(*rows);
    return tab;
}

} // namespace kavro
