#pragma once

#include "catalogue/import/CatalogueRestoreResult.h"
#include "catalogue/import/CatalogueRestoreSession.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kavro {

class Catalogue;
class ImportRegistry;
class OldCatalogueSource;
struct OldDiscRow;

// Writes the fields of one source row into the row the walk started (appended or overwritten).
using RestoreRowWriter = std::function<DbStatus(CatalogueRestoreSession& session, const OldDiscRow& row,
                                                CatalogueRestoreSession::RowStart start)>;
// Work of the same session after the last row, before the commit (the backup's category nesting).
using RestoreFinisher = std::function<DbStatus(CatalogueRestoreSession& session)>;

// The walk that the old-catalogue import and the restore share: in one session, every disc row
// of the source in table order (progress, the row number as status text, pending events run after
// each), rows whose machine or slot is out of range left out, repeated machine and slot asked
// once, the row written by write and posted; then the CDDEVICE rows of machines that neither the
// registry nor the catalogue knows, finish when given, and the commit. Any failure leaves the catalogue as it was
// and is shown to the person.
CatalogueRestoreResult RunRestoreWalk(Catalogue& catalogue, const ImportRegistry* registry,
                                      OldCatalogueSource& source, const RestoreRowWriter& write,
                                      const RestoreFinisher& finish = {});

// The file of that name in folder, found without regard to case when the exact spelling is
// missing (catalogues come from systems whose file names ignore case). Empty when none.
std::filesystem::path FindCatalogueFile(const std::filesystem::path& folder, std::string_view name);

// Asks before a restore or an import replaces every disc of the catalogue, naming what comes in
// (`source`, e.g. the file) with its number of discs and the number of discs that go. Enter keeps
// the catalogue; true when the person chose OK.
bool ConfirmCatalogueReplace(Catalogue& catalogue, const std::string& source, int incomingDiscs);

// Shows why an import or restore failed and fills the result's error; the catalogue is unchanged.
CatalogueRestoreResult& ReportRestoreFailure(Catalogue& catalogue, CatalogueRestoreResult& result,
                                             const std::string& why);

} // namespace kavro
