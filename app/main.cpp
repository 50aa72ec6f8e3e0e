// Kavro: catalogue manager for USB disc changers.
#include "shell/ui/KavroApplication.h"
#include "shell/ui/StartUpFlow.h"
#include "torvex/torvex.h"
#include "views/mainwindow/CatalogueActionsAttach.h"
#include "views/flows/CatalogueActionsConversion.h"
#include "views/mainwindow/TMainForm.h"

int main(int argc, char** argv)
{
    kavro::KavroApplication app(argc, argv); // the command line is not used
    const kavro::ChangerLibrary changer{&InitUSBKavro, &GetDeviceNumber, &CloseUSBKavro};
    kavro::StartUpFlow flow(app, changer, [](kavro::AppContext& context) -> QWidget* {
        // A catalogue of the older Windows program is offered for conversion before it is opened.
        if (kavro::OfferJetConversion(context.programFolder, *context.person, context.language,
                                      *context.clock) == kavro::CatalogueOffer::EndProgram)
            return nullptr;
        auto* window = new kavro::TMainForm(context);
        if (!window->isReady()) {
            // The catalogue could not be opened; the person has been told and the program ends.
            delete window;
            return nullptr;
        }
        kavro::AttachCatalogueActions(*window);
        window->showAsSaved();
        return window;
    });
    return flow.run();
}
