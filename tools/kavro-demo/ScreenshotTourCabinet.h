#pragma once

#include <string>

class QWidget;

namespace kavro {

// The cabinet's own screenshots, taken on the main window of the tour after its other pictures,
// on the demo folder's simulated cabinets with their discs:
//   cabinet-run.png  Catalogue Cabinet over the window, during a run of slots 10-30;
//   slot-map.png     the slot map of the cabinet with the drive after that run.
// Returns the number of pictures that could not be made.
int RunScreenshotTourCabinet(QWidget& form, const std::string& outFolder);

} // namespace kavro
