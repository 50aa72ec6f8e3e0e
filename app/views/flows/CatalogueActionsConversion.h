#pragma once

#include "catalogue/import/OldCatalogueConversion.h"

#include <filesystem>
#include <functional>

namespace kavro {

class Clock;
class Person;
class Texts;

// What start-up does once it has looked at the program folder's catalogue file.
enum class CatalogueOffer { Open, EndProgram };

using JetConverter = std::function<DbResult<CatalogueConversion>(const std::filesystem::path& programFolder,
                                                                 Person&, const Texts&, Clock&)>;

// Before the catalogue opens: a KAVRO2.MDB written by the older Windows program (a Jet file) is
// offered for conversion. Yes converts it, keeping the Jet file beside the new catalogue, and the
// catalogue opens; No ends the program without touching the file, and so does a conversion that
// failed (the person is told why; the file is back as it was). Any other file just opens.
CatalogueOffer OfferJetConversion(const std::filesystem::path& programFolder, Person& person,
                                  const Texts& texts, Clock& clock,
                                  const JetConverter& convert = ConvertJetCatalogue);

} // namespace kavro
