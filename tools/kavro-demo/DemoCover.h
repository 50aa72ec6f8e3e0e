#pragma once

#include <string>

namespace kavro {

// A cover picture for a demo disc, drawn rather than shipped: a coloured sleeve with the disc's
// title and a disc peeking out. BMP file bytes, as records store pictures. Needs a
// QGuiApplication (for the fonts).
std::string DrawDemoCover(const std::string& title, const std::string& subtitle, int hue);

} // namespace kavro
