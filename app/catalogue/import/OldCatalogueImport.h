#pragma once

#include "catalogue/import/CatalogueRestoreResult.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kavro {

class Catalogue;
class ImportRegistry;
class OldCatalogueSource;

// The category, title and barcode that the older Jet catalogue kept at the start of Misc1:
// "Category=" + category + CR LF + "Title=" + title + CR LF + "Barcode=" + barcode + CR LF +
// "Other" and the rest.
struct OldMisc1 {
    bool hasCategory = false; // the text holds "Category="
    std::string category;     // up to the line's end, trimmed
    std::string title;        // after "Title=" up to the following "Barcode" (else the line's end)
    std::string barcode;      // after "Barcode=" up to the following "Other"; empty without it
};
OldMisc1 ParseOldMisc1(std::string_view misc1);

// The old-catalogue import of the restore window: the discs of folder's KAVRO.MDB (Jet, or a
// catalogue in this program's format) replace the catalogue's discs; categories are found by name
// without regard to case, or made.
CatalogueRestoreResult ImportOldCatalogue(Catalogue& catalogue, const ImportRegistry* registry,
                                          const std::filesystem::path& folder);
// The same from a source already open.
CatalogueRestoreResult ImportOldCatalogue(Catalogue& catalogue, const ImportRegistry* registry,
                                          OldCatalogueSource& source);

} // namespace kavro
