#pragma once

#include "catalogue/import/CatalogueRestoreResult.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class ImportRegistry;

// Import of a Paradox catalogue of the older program: a Paradox 5 table with one row per disc,
// and, in the folder above the table's, the machine list "dbid.txt" and the side files
// Remark/<cd_id>, CdInfo/<cd_id>.tv and Preview/<cd_id>.bmp. The imported discs replace the
// catalogue's discs in one step; the machines of dbid.txt are registered.

// Menu "匯入 DB": asks for the table, then imports it. Cancelled: nothing happens.
CatalogueRestoreResult RunParadoxImport(Catalogue& catalogue, ImportRegistry& registry);

// Imports the Paradox catalogue whose disc table is tableFile.
CatalogueRestoreResult ImportParadoxCatalogue(Catalogue& catalogue, ImportRegistry& registry,
                                              const std::filesystem::path& tableFile);

// The machine ids of dbid.txt in order: old machine number 1 is the first. A line counts when
// its leading decimal number is positive (and fits 32 bits). nullopt when the file cannot be read.
std::optional<std::vector<int>> ReadOldMachineList(const std::filesystem::path& file);

// The Misc1 text a Paradox row gets: "Category=%s\r\nTitle=%s\r\nBarcode=%s\r\n", or nothing
// when all three texts are empty.
std::optional<std::string> ParadoxMisc1(std::string_view category, std::string_view title,
                                        std::string_view barcode);

// Whether a cd_id may name side files: not empty and without "/", "\\" or "..", so that the
// names built from it stay inside their folders.
bool IsSafeCdId(std::string_view cdId);

} // namespace kavro
