#include "views/dialogs/TfrmAddDialogs.h"

#include "shell/ui/WidgetPlacementTarget.h"
#include "views/dialogs/TfrmAdd.h"
#include "views/flows/TfrmAddModel.h"
#include "views/dialogs/TfrmAddType.h"

namespace kavro {

void TfrmAddDialogs::showDiscDialog(TfrmAddModel& model)
{
    TfrmAdd dialog(model, m_mainWindow);
    placeWindowTexts(dialog, m_app, m_mainWindow);
    dialog.applyModeCaption();
    dialog.exec();
}

int TfrmAddDialogs::showAddTypeDialog()
{
    TfrmAddType dialog(m_mainWindow);
    placeWindowTexts(dialog, m_app, m_mainWindow);
    dialog.exec();
    return dialog.choice();
}

} // namespace kavro
