#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

// Images of list rows, as the lists' image list numbers them.
namespace RowIcon {
inline constexpr int None = -1;
inline constexpr int DriveDisc = 1; // a disc of a machine with a built-in drive (red row)
inline constexpr int Category = 3;
inline constexpr int Disc = 4;
inline constexpr int Folder = 14;
inline constexpr int File = 16;
} // namespace RowIcon

enum class RowKind : std::uint8_t { Category, Disc, Result, Folder, File, Log };

// One row of a list view, without widgets: its texts (the caption first, then the columns), its
// image and colour, and what it stands for. Rows refer to the program's tables by index, never
// by address, so a row outliving its disc or category can do no harm.
struct ListRow {
    RowKind kind = RowKind::Disc;
    std::vector<std::string> texts;
    int icon = RowIcon::None;
    bool red = false; // drawn in red: a disc of a machine with a built-in drive
    int machine = 0;
    int slot = 0;
    int discEntry = -1;     // DiscList (ListView2 disc rows, ListView5)
    int categoryEntry = -1; // CategoryList (ListView2 category rows)
    int resultEntry = -1;   // ResultRowList (ListView4, SearchView)
    int treeEntry = -1;     // entry of the current file tree (ListView1)

    // The text of a column; "" past the last one.
    const std::string& text(std::size_t column) const;
    bool isDisc() const { return kind == RowKind::Disc || kind == RowKind::Result; }
};

} // namespace kavro
