#include "output/ReportLayout.h"

#include <algorithm>

namespace kavro {

std::vector<ReportLayout::Page> ReportLayout::paginate(int rows)
{
    std::vector<Page> pages;
    int next = 0;
    do {
        Page page;
        page.title = pages.empty();
        page.firstRow = next;
        page.headerTop = page.title ? kTitleBand : 0.0;
        const double room = kPrintableHeight - page.headerTop - kHeaderBand;
        // At least one row per page, or a row taller than the page would never be printed.
        const int fits = std::max(1, static_cast<int>(room / kDetailBand));
        page.rowCount = std::min(fits, rows - next);
        next += page.rowCount;
        pages.push_back(page);
    } while (next < rows);
    return pages;
}

double ReportLayout::cellLeft(int column)
{
    double x = 0;
    for (int c = 0; c < column && c < kColumns; ++c)
        x += kCellWidths[static_cast<std::size_t>(c)];
    return x;
}

double ReportLayout::tableWidth()
{
    return cellLeft(kColumns);
}

} // namespace kavro
