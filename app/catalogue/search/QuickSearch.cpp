#include "catalogue/search/QuickSearch.h"

#include "catalogue/search/AdvancedSearch.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/MatchText.h"
#include "catalogue/search/SearchScope.h"

#include <cstdint>
#include <unordered_map>

namespace kavro {

QuickSearch::QuickSearch(Catalogue& catalogue, DiscTextCache& cache) : m_catalogue(catalogue), m_cache(cache)
{
}

bool QuickSearch::isTriggerKey(int virtualKey)
{
    return virtualKey == 8 || virtualKey == 13 || (virtualKey >= 32 && virtualKey <= 126);
}

bool QuickSearch::takeText(std::string_view text)
{
    if (text == m_lastText)
        return false;
    m_lastText = std::string(text);
    return true;
}

DbResult<std::vector<SearchRow>> QuickSearch::inCategories(std::string_view text, const TreeNode* selected)
{
    std::vector<SearchRow> rows;
    const TreeNode* node =
        selected && selected->isCategory() ? selected : m_catalogue.categoryTree().categoryRoot();
    const FoldedPattern pattern(text);
    if (!node || pattern.empty())
        return rows;
    SearchScope scope;
    if (BuildScope(scope, *node, m_catalogue.categories()) == 0)
        return rows;
    if (auto s = m_cache.refresh(m_catalogue.database()); !s)
        return s;
    for (const DiscTexts& disc : m_cache.rows()) {
        if (InScope(scope, disc.categoryId) && pattern.matches(disc.title))
            rows.push_back(MakeSearchRow(m_catalogue, disc, scope));
    }
    return rows;
}

DbResult<std::vector<SearchRow>> QuickSearch::inMachines(std::string_view text,
                                                         std::span<const DiscKey> entries)
{
    std::vector<SearchRow> rows;
    const FoldedPattern pattern(text);
    if (pattern.empty())
        return rows;
    if (auto s = m_cache.refresh(m_catalogue.database()); !s)
        return s;
    std::unordered_map<std::uint64_t, int> byPlace;
    auto key = [](int machine, int slot) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(machine)) << 32) |
               static_cast<std::uint32_t>(slot);
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind == NodeKind::Disc)
            byPlace.emplace(key(entries[i].machine, entries[i].slot), static_cast<int>(i));
    }
    // Only for the category names of the rows.
    SearchScope known;
    known.setKnown(m_catalogue.categories());
    for (const DiscTexts& disc : m_cache.rows()) {
        if (!pattern.matches(disc.title))
            continue;
        const auto it = byPlace.find(key(disc.machine, disc.slot));
        if (it == byPlace.end())
            continue;
        SearchRow row = MakeSearchRow(m_catalogue, disc, known);
        row.entry = it->second;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace kavro
