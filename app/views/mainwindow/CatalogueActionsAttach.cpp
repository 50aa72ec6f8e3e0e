#include "views/mainwindow/CatalogueActionsAttach.h"

#include "views/mainwindow/CatalogueActions.h"
#include "views/flows/CatalogueActionsRegistry.h"
#include "views/mainwindow/TMainForm.h"

namespace kavro {

CatalogueActions& AttachCatalogueActions(TMainForm& form)
{
    auto* actions = new CatalogueActions(form.catalogue(), form.appContext(),
                                         std::make_unique<CatalogueActionsRegistry>(form.changer()), &form);
    actions->connectEntries([&form](const QString& name) { return form.designedAction(name); });
    QObject::connect(actions, &CatalogueActions::endProgram, &form, &QWidget::close);
    return *actions;
}

} // namespace kavro
