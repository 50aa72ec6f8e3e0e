#pragma once

#include "catalogue/records/CategoryMoves.h"

#include <optional>
#include <vector>

class QMimeData;

namespace kavro {

// What is dragged onto the navigation tree: where it comes from and which categories or discs.
// Items name their category by CategoryList index and their disc by machine and slot, so a
// drag never carries an address.
struct DraggedItem {
    bool isCategory = false;
    int categoryEntry = -1;
    int machine = 0;
    int slot = 0;
};

struct DragPayload {
    DragSource source = DragSource::CategoryTree;
    std::vector<DraggedItem> items;

    // The program's own drag format; other drags are not dropped on the tree.
    static const char* mimeType();
    QMimeData* toMimeData() const;
    static std::optional<DragPayload> fromMimeData(const QMimeData* data);
};

} // namespace kavro
