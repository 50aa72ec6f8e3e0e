#pragma once

#include "catalogue/database/DbResult.h"

#include <filesystem>

namespace kavro {

class Catalogue;
class Clock;
class OldCatalogueSource;
class Person;
class Texts;

struct CatalogueConversion {
    std::filesystem::path keptFile; // the older file, kept beside the new catalogue
    int discs = 0;
    int machines = 0;
    int categories = 0;
};

// Whether the program folder's KAVRO2.MDB is a Jet file written by the older program; start-up
// then offers ConvertJetCatalogue instead of opening it.
bool IsJetCatalogue(const std::filesystem::path& programFolder);

// Converts the program folder's Jet KAVRO2.MDB into a catalogue of this program's format with
// the same rows (ids, dates and device types included), read through the same path as the
// imports. The Jet file is kept beside it as "KAVRO2.MDB.jet" ("KAVRO2.MDB.jet.2", ... when that
// name is taken). All or nothing: on failure the Jet file is back in its place unchanged and no
// new catalogue is left behind.
DbResult<CatalogueConversion> ConvertJetCatalogue(const std::filesystem::path& programFolder, Person& person,
                                                  const Texts& texts, Clock& clock);

// Copies every row of source (discs, machines, categories) as they are into the open catalogue,
// in one transaction.
DbResult<CatalogueConversion> CopyOldCatalogue(OldCatalogueSource& source, Catalogue& catalogue);

} // namespace kavro
