#include "output/ReportPrinter.h"

#include "output/ListCopy.h"
#include "output/ReportLayout.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

namespace kavro {

namespace {

class ReportPainter {
public:
    ReportPainter(QPainter& painter, const ListCopy& copy)
        : m_painter(painter), m_copy(copy), m_unit(painter.device()->logicalDpiY() / 25.4)
    {
        m_text.setPointSizeF(ReportLayout::kTextPoints);
        m_title.setPointSizeF(ReportLayout::kTitlePoints);
        QPen pen(Qt::black);
        pen.setWidthF(0.2 * m_unit);
        m_painter.setPen(pen);
    }

    void titleBand(const QDate& date)
    {
        const QRectF band = mm(0, 0, ReportLayout::kPrintableWidth, ReportLayout::kTitleBand);
        m_painter.setFont(m_title);
        m_painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter, QStringLiteral("KAVRO"));
        m_painter.setFont(m_text);
        m_painter.drawText(band, Qt::AlignRight | Qt::AlignBottom,
                           date.toString(QStringLiteral("yyyy-MM-dd")));
    }

    void headerBand(double top)
    {
        m_painter.setFont(m_text);
        const double height = ReportLayout::kHeaderBand;
        m_painter.drawRect(mm(0, top, ReportLayout::tableWidth(), height));
        for (int c = 0; c < ReportLayout::kColumns; ++c) {
            if (c > 0)
                verticalLine(ReportLayout::cellLeft(c), top, height);
            const std::string caption =
                c < m_copy.columnCount() ? m_copy.captions[static_cast<std::size_t>(c)] : std::string();
            cellText(c, top, height, caption, ReportLayout::Align::Centre);
        }
    }

    void detailBand(double top, int row)
    {
        m_painter.setFont(m_text);
        const double height = ReportLayout::kDetailBand;
        const double width = ReportLayout::tableWidth();
        verticalLine(0, top, height);
        verticalLine(width, top, height);
        m_painter.drawLine(QPointF(0, (top + height) * m_unit),
                           QPointF(width * m_unit, (top + height) * m_unit));
        for (int c = 0; c < ReportLayout::kColumns; ++c) {
            if (c > 0)
                verticalLine(ReportLayout::cellLeft(c), top, height);
            // Cells beyond the copy's columns stay empty, whatever the row holds.
            if (c < m_copy.columnCount())
                cellText(c, top, height, m_copy.cell(row, c),
                         ReportLayout::kCellAligns[static_cast<std::size_t>(c)]);
        }
    }

private:
    QRectF mm(double x, double y, double w, double h) const
    {
        return QRectF(x * m_unit, y * m_unit, w * m_unit, h * m_unit);
    }

    void verticalLine(double x, double top, double height)
    {
        m_painter.drawLine(QPointF(x * m_unit, top * m_unit), QPointF(x * m_unit, (top + height) * m_unit));
    }

    void cellText(int column, double top, double height, const std::string& text, ReportLayout::Align align)
    {
        if (text.empty())
            return;
        const double left = ReportLayout::cellLeft(column);
        const double width = ReportLayout::kCellWidths[static_cast<std::size_t>(column)];
        const QRectF cell = mm(left, top, width, height);
        const QRectF inner =
            align == ReportLayout::Align::Left
                ? mm(left + ReportLayout::kCellPadding, top, width - 2 * ReportLayout::kCellPadding, height)
                : cell;
        const int flags = Qt::TextSingleLine | Qt::AlignVCenter |
                          (align == ReportLayout::Align::Left ? Qt::AlignLeft : Qt::AlignHCenter);
        // A long text is cut at its cell's edge rather than written over the next cell.
        m_painter.save();
        m_painter.setClipRect(cell);
        m_painter.drawText(inner, flags, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        m_painter.restore();
    }

    QPainter& m_painter;
    const ListCopy& m_copy;
    const double m_unit; // device units per millimetre
    QFont m_text;
    QFont m_title;
};

} // namespace

bool PrintReport(QPagedPaintDevice& device, const ListCopy& copy, const QDate& printDate)
{
    // A printer may refuse margins below its own; it then keeps the nearest it can do.
    device.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(ReportLayout::kMargin, ReportLayout::kMargin, ReportLayout::kMargin, ReportLayout::kMargin),
        QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    ReportPainter report(painter, copy);
    const auto pages = ReportLayout::paginate(copy.rowCount());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const ReportLayout::Page& page = pages[p];
        if (p > 0 && !device.newPage()) {
            painter.end();
            return false;
        }
        if (page.title)
            report.titleBand(printDate);
        report.headerBand(page.headerTop);
        double top = page.headerTop + ReportLayout::kHeaderBand;
        for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
            report.detailBand(top, r);
            top += ReportLayout::kDetailBand;
        }
    }
    return painter.end();
}

} // namespace kavro
