#pragma once

#include <string>

namespace kavro {

// The README's screenshots: Kavro's main window over a demo folder, driven the way a person
// would (clicks on the trees and lists, toolbar items), each view grabbed to a PNG in outFolder:
//   category-mode.png  a category listed, one of its discs selected, the data tab shown;
//   machine-mode.png   the tree by machine, a cabinet's slots listed, one selected;
//   take-out.png       the take-out dialog over the window (abandoned afterwards);
//   disc-picture.png   a disc with a cover, the picture tab shown;
//   find-files.png     Find files with the PDF files of every disc, largest first;
//   settings.png       the settings dialog over the window (left with Esc).
// Window frames are drawn around the grabs with the windows' captions. Needs a QApplication;
// folder is the demo program folder (its settings are changed for the window's size). 0 when
// every picture was written.
// mainWindowOnly: only main-window.png, the view of category-mode.png in the screen's own
// pixels (twice as many at scale two).
int RunScreenshotTour(const std::string& folder, const std::string& outFolder, bool mainWindowOnly = false);

} // namespace kavro
