#pragma once

#include <array>
#include <vector>

namespace kavro {

// The printed list, in millimetres from the top left corner of the printable area: A4
// portrait with 10 mm margins; a title band on the first page; on every page a framed column
// header band; then one detail band per row until the page is full.
struct ReportLayout {
    enum class Align { Left, Centre };

    static constexpr double kPageWidth = 210.0;
    static constexpr double kPageHeight = 297.0;
    static constexpr double kMargin = 10.0;
    static constexpr double kPrintableWidth = kPageWidth - 2 * kMargin;
    static constexpr double kPrintableHeight = kPageHeight - 2 * kMargin;

    static constexpr double kTitleBand = 16.0;
    static constexpr double kHeaderBand = 7.0;
    static constexpr double kDetailBand = 6.0;
    // Room between a left-aligned text and its cell's frame.
    static constexpr double kCellPadding = 1.0;

    static constexpr double kTitlePoints = 30.0;
    static constexpr double kTextPoints = 10.0;

    // The four printed columns; columns after the fourth are not printed.
    static constexpr int kColumns = 4;
    static constexpr std::array<double, kColumns> kCellWidths{103.0, 30.0, 15.0, 38.0};
    static constexpr std::array<Align, kColumns> kCellAligns{Align::Left, Align::Centre, Align::Centre,
                                                             Align::Left};

    struct Page {
        bool title = false; // the first page carries the title band
        int firstRow = 0;
        int rowCount = 0;
        double headerTop = 0; // where the header band starts; detail bands follow it
    };

    // The pages of a report of rows detail rows. An empty report is one page with the title and
    // the header.
    static std::vector<Page> paginate(int rows);
    // Left edge of a cell.
    static double cellLeft(int column);
    static double tableWidth();
};

} // namespace kavro
