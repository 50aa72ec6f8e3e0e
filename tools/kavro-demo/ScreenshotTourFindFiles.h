#pragma once

#include <functional>

class QWidget;

namespace kavro {

class TMainForm;

// find-files.png: Find files opened from the main window's menu entry, "*.pdf" typed, the list
// sorted by size (largest first) and its first row selected; shoot grabs a window to a named
// picture. The window is closed again. True when the picture was written.
bool ShotFindFiles(TMainForm& form, const std::function<bool(QWidget&, const char* name)>& shoot);

} // namespace kavro
