#include "views/flows/CatalogueActionsConversion.h"

#include "catalogue/database/CatalogueSchema.h"
#include "platform/Person.h"
#include "platform/Texts.h"

namespace kavro {

CatalogueOffer OfferJetConversion(const std::filesystem::path& programFolder, Person& person,
                                  const Texts& texts, Clock& clock, const JetConverter& convert)
{
    if (!IsJetCatalogue(programFolder))
        return CatalogueOffer::Open;
    const std::string caption = texts.text("0000", "KAVRO 5.1");
    const std::string file = (programFolder / schema::kFileName).string();
    const BoxAnswer answer =
        person.messageBox("The catalogue " + file +
                              " was written by the older Windows program.\r\n"
                              "Convert it now? The older file is kept beside the new catalogue.\r\n"
                              "No ends the program and leaves the file as it is.",
                          caption, BoxIcon::Question, BoxButtons::YesNo);
    if (answer != BoxAnswer::Yes)
        return CatalogueOffer::EndProgram;

    DbResult<CatalogueConversion> done = DbStatus::failure("not run");
    {
        BusyCursor busy(person);
        done = convert(programFolder, person, texts, clock);
    }
    if (!done) {
        person.messageBox(done.error() + "\r\nThe file has not been changed.", "Warnning!!!", BoxIcon::Stop,
                          BoxButtons::Ok);
        return CatalogueOffer::EndProgram;
    }
    person.messageBox("The catalogue was converted: " + std::to_string(done->discs) + " discs, " +
                          std::to_string(done->machines) + " machines, " + std::to_string(done->categories) +
                          " categories.\r\nThe older file is kept as " + done->keptFile.string() + ".",
                      caption, BoxIcon::Information, BoxButtons::Ok);
    return CatalogueOffer::Open;
}

} // namespace kavro
