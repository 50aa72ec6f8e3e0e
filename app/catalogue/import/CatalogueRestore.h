#pragma once

#include "catalogue/import/CatalogueRestoreResult.h"

#include <filesystem>
#include <string>

namespace kavro {

class Catalogue;
class ImportRegistry;
class OldCatalogueSource;
class Texts;

// Restore from a backup: the discs of folder's KAVRO2.MDB (this program's format, or a Jet file
// of the older program) replace the catalogue's discs. Each disc is filed under the current
// category of the same name without regard to case (made when missing); when the backup keeps a
// category nesting, its categories are made where missing and nested as there. Machines the registry
// does not know come over with their CDDEVICE rows. Dates become the time of the restore, device
// types are left empty.
CatalogueRestoreResult RestoreFromBackup(Catalogue& catalogue, const ImportRegistry* registry,
                                         const std::filesystem::path& folder);
// The same from a source already open.
CatalogueRestoreResult RestoreFromBackup(Catalogue& catalogue, const ImportRegistry* registry,
                                         OldCatalogueSource& source);

// The restore window's choice handed on: with no folder chosen nothing happens; otherwise a chosen
// file named like "KAVRO.MDB" runs the old-catalogue import on the folder, one named like
// "KAVRO2.MDB" the restore from backup, a safety copy of Backup/ the restore from that file, any
// other does nothing. Each asks first, naming the file (or the copy's time) and how many discs
// come and go; Enter keeps the catalogue. The program ends when the catalogue changed.
CatalogueRestoreResult RunRestore(Catalogue& catalogue, const ImportRegistry* registry,
                                  const std::string& chosenFolder, const std::string& chosenFile);

// How the restore window names a safety copy of Backup/ (KAVRO2-date-time.MDB): its time and
// how many discs it holds, e.g. "2024-01-02 09:00:00, 312 discs". Empty for any other file; the
// time alone when the file cannot be read.
std::string DescribeSafetyCopy(const std::filesystem::path& file, const Texts& texts);

} // namespace kavro
