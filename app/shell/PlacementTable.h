#pragma once

#include <span>
#include <string_view>

namespace kavro {

// Which control of which window shows which language key. A row whose control is the window's
// own name sets the window caption. className is the control's designed class ("TLabel",
// "TMenuItem", ...), used only in the program log when the control turns out to be of a class
// the placement cannot handle.
struct PlacementRow {
    std::string_view window;
    std::string_view className;
    std::string_view control;
    std::string_view key;
};

// The whole table, window by window, in placement order.
std::span<const PlacementRow> placementTable();

} // namespace kavro
