#pragma once

namespace kavro {

class CatalogueActions;
class TMainForm;

// The catalogue's file commands attached to the main window: over its registry, on its designed
// entries, closing it when the program must end. The actions live as long as the window.
CatalogueActions& AttachCatalogueActions(TMainForm& form);

} // namespace kavro
