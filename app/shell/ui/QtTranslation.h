#pragma once

#include "platform/Texts.h"

namespace kavro {

// Qt's own words (file dialogs, the context menus of edit lines, standard buttons) in the
// language of the program's language file: its text 5114 names Qt's translation ("zh_TW" loads
// qtbase_zh_TW.qm from Qt's translations folder); "en", an unknown name or a missing file leaves
// Qt's English. Called again when the language changes, it replaces the previous translation.
// Returns whether a translation is installed.
bool UseQtTranslation(const Texts& language);

} // namespace kavro
