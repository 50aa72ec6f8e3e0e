#include "views/dialogs/SlotMapPage.h"

#include "platform/Texts.h"
#include "views/dialogs/TfrmSlotMap.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRect>

#include <algorithm>

namespace kavro {

namespace {

constexpr int kColumns = 10;
constexpr SlotState kStates[] = {SlotState::Free, SlotState::Catalogued, SlotState::TakenOut,
                                 SlotState::InDrive, SlotState::Flagged};

QFont sized(const QFont& base, qreal points, bool bold = false)
{
    QFont f(base);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

void PaintSlotMapPage(QPainter& painter, const QRect& page, const QString& caption, const SlotMap& map,
                      const Texts& texts)
{
    painter.save();
    const QFont base = painter.font();
    const QFont captionFont = sized(base, 14, true);
    const QFont numberFont = sized(base, 8, true);
    const QFont titleFont = sized(base, 6);
    const QFont legendFont = sized(base, 8);
    const qreal gap = QFontMetricsF(legendFont, painter.device()).height() * 0.6;

    // The caption on the first line of the page, the legend on the last.
    painter.setFont(captionFont);
    const qreal captionHeight = QFontMetricsF(captionFont, painter.device()).height();
    painter.setPen(Qt::black);
    painter.drawText(QRectF(page.left(), page.top(), page.width(), captionHeight),
                     Qt::AlignLeft | Qt::AlignTop, caption);
    const qreal legendHeight = QFontMetricsF(legendFont, painter.device()).height() * 1.4;

    const int count = static_cast<int>(map.cells.size());
    const int rows = std::max(1, (count + kColumns - 1) / kColumns);
    const qreal cellWidth = page.width() / qreal(kColumns);
    const qreal gridTop = page.top() + captionHeight + gap;
    const qreal room = page.bottom() - gridTop - gap - legendHeight;
    const qreal cellHeight = std::min(cellWidth, room / rows);
    const qreal pad = cellWidth * 0.05;
    QPen border(QColor(0x80, 0x80, 0x80));
    border.setWidthF(std::max<qreal>(1.0, cellWidth / 200));
    for (int i = 0; i < count; ++i) {
        const SlotInfo& info = map.cells[static_cast<std::size_t>(i)];
        const QRectF cell(page.left() + (i % kColumns) * cellWidth, gridTop + (i / kColumns) * cellHeight,
                          cellWidth, cellHeight);
        painter.setPen(border);
        painter.setBrush(TfrmSlotMap::colourOf(info.state));
        painter.drawRect(cell);
        const QRectF inside = cell.adjusted(pad, pad, -pad, -pad);
        painter.setPen(Qt::black);
        painter.setFont(numberFont);
        painter.drawText(inside, Qt::AlignLeft | Qt::AlignTop, QString::number(i + 1));
        if (info.title.empty())
            continue;
        // The title under the number, as much of it as the cell holds.
        const qreal numberHeight = QFontMetricsF(numberFont, painter.device()).height();
        const QRectF titleRect = inside.adjusted(0, numberHeight, 0, 0);
        painter.setFont(titleFont);
        painter.save();
        painter.setClipRect(titleRect);
        painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         QString::fromStdString(info.title));
        painter.restore();
    }

    // The legend: a swatch of each colour and what it means.
    painter.setFont(legendFont);
    const QFontMetricsF legendMetrics(legendFont, painter.device());
    const qreal swatch = legendMetrics.height();
    qreal x = page.left();
    const qreal y = gridTop + rows * cellHeight + gap;
    for (const SlotState state : kStates) {
        painter.setPen(border);
        painter.setBrush(TfrmSlotMap::colourOf(state));
        painter.drawRect(QRectF(x, y, swatch * 1.6, swatch));
        x += swatch * 2;
        const QString text = QString::fromStdString(SlotStateText(texts, state));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(x, y + legendMetrics.ascent()), text);
        x += legendMetrics.horizontalAdvance(text) + swatch * 1.5;
    }
    painter.restore();
}

} // namespace kavro
