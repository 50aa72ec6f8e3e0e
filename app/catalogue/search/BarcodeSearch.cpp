#include "catalogue/search/BarcodeSearch.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/MatchText.h"

namespace kavro {

DbResult<std::optional<DiscPlace>> BarcodeSearch(Catalogue& catalogue, DiscTextCache& cache,
                                                 std::string_view text,
                                                 const std::function<void(int machine, int slot)>& moveToSlot)
{
    const FoldedPattern pattern(text);
    std::optional<DiscPlace> found;
    if (pattern.empty())
        return found;
    if (auto s = cache.refresh(catalogue.database()); !s)
        return s;
    for (const DiscTexts& disc : cache.rows()) {
        if (pattern.matches(disc.barcode)) {
            found = DiscPlace{disc.machine, disc.slot};
            break;
        }
    }
    if (found && moveToSlot)
        moveToSlot(found->machine, found->slot);
    return found;
}

} // namespace kavro
