#include "views/TfrmAddDialogs.h"

#include "shell/ui/WidgetPlacementTarget.h"
#include "views/TfrmAdd.h"
#include "views/TfrmAddModel.h"
#include "views/TfrmAddType.h"

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
