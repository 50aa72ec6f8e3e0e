#pragma once

#include <string>
#include <vector>

namespace kavro {

// The print dialog's copy of a list of the main window: its column captions and widths, and
// for each row the first column's text followed by the further columns' texts in order (a
// row may hold fewer texts than there are columns).
struct ListCopy {
    std::vector<std::string> captions;
    std::vector<int> widths;
    std::vector<std::vector<std::string>> rows;

    int columnCount() const { return static_cast<int>(captions.size()); }
    int rowCount() const { return static_cast<int>(rows.size()); }
    // The text of a cell; empty beyond the row's texts.
    const std::string& cell(int row, int column) const;
};

} // namespace kavro
