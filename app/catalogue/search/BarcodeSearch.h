#pragma once

#include "catalogue/database/DbResult.h"

#include <functional>
#include <optional>
#include <string_view>

namespace kavro {

class Catalogue;
class DiscTextCache;

// Where a disc is kept.
struct DiscPlace {
    int machine = 0;
    int slot = 0;
    bool operator==(const DiscPlace&) const = default;
};

// The barcode mode of the advanced search: the first disc in table order, whatever its
// category, whose barcode contains text. When there is one, moveToSlot has its machine fetch
// it (the changer's move-to-slot action). nullopt when none matches: the caller shows
// "Not Find" and nothing else changes.
DbResult<std::optional<DiscPlace>>
BarcodeSearch(Catalogue& catalogue, DiscTextCache& cache, std::string_view text,
              const std::function<void(int machine, int slot)>& moveToSlot);

} // namespace kavro
