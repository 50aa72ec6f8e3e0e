#include "KavroProgram.h"

#include "shell/ProgramFolder.h"
#include "shell/ui/KavroApplication.h"
#include "torvex/torvex.h"
#include "views/flows/CatalogueActionsConversion.h"
#include "views/mainwindow/CatalogueActionsAttach.h"
#include "views/mainwindow/TMainForm.h"

#include <QProcess>

namespace kavro {

int RunKavroProgram(int argc, char** argv, StartUpFlow::Seams seams)
{
    bool restart = false;
    QString program;
    {
        KavroApplication app(argc, argv); // the command line is not used
        const ChangerLibrary changer{&InitUSBKavro, &GetDeviceNumber, &CloseUSBKavro};
        StartUpFlow flow(app, changer, [](AppContext& context) -> QWidget* {
            // A catalogue of the older Windows program is offered for conversion before it is opened.
            if (OfferJetConversion(context.programFolder, *context.person, context.language, *context.clock) ==
                CatalogueOffer::EndProgram)
                return nullptr;
            auto* window = new TMainForm(context);
            if (!window->isReady()) {
                // The catalogue could not be opened; the person has been told and the program ends.
                delete window;
                return nullptr;
            }
            AttachCatalogueActions(*window);
            window->showAsSaved();
            return window;
        }, std::move(seams));
        flow.run();
        restart = flow.context().restartRequested;
        const auto executable = ProgramFolder::runningExecutable();
        program = executable.empty() ? QCoreApplication::applicationFilePath()
                                     : QString::fromStdString(executable.string());
    }
    // The flow, and with it the instance lock, is gone: the new run may take the lock.
    if (restart)
        QProcess::startDetached(program, {});
    return 0;
}

} // namespace kavro
