#pragma once

#include "cataloguing/SlotMap.h"

#include <QString>

class QPainter;
class QRect;

namespace kavro {

class Texts;

// The slot map as the printed page shows it, drawn in `page` (device pixels of the painter):
// the caption, a grid of ten columns whose cells carry the slot's colour, its number and the
// start of its disc's title, and the legend of the colours below.
void PaintSlotMapPage(QPainter& painter, const QRect& page, const QString& caption, const SlotMap& map,
                      const Texts& texts);

} // namespace kavro
