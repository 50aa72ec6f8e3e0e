#pragma once

#include <QIcon>

namespace kavro {

// The images of the trees and lists, from the desktop's icon theme (Adwaita when the desktop
// names none) with the style's own icons as the last resort, so categories, discs, discs of a
// machine with a drive, folders and files are told apart at a glance.
namespace icons {

// A category and the three top nodes; the open folder shows while the node is selected.
QIcon category();
// A disc node or row; greyed when the disc has nothing stored to browse.
QIcon disc(bool hasContent = true);
// A disc of a machine with a built-in drive.
QIcon driveDisc();
QIcon folder();
QIcon file();
QIcon machine();
QIcon searchTab();

// The icon of a list row image (RowIcon values); a null icon for none.
QIcon forRowImage(int image);

// The icon of a toolbar item or menu entry by its designed name ("TBItem15", "N_Print", ...):
// the desktop theme's icon of the freedesktop name for what it does, else the style's own;
// a null icon for entries that have none (their caption says it all).
QIcon forCommand(const QString& designedName);

} // namespace icons
} // namespace kavro
