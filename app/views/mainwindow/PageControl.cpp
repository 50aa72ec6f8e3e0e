#include "views/mainwindow/PageControl.h"

#include <QPainter>

namespace kavro {

void PageTabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const bool selected = i == currentIndex();
        const int grey = selected ? SelectedGrey : OtherGrey;
        painter.fillRect(r, QColor(grey, grey, grey));
        painter.setPen(Qt::black);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        QFont captionFont = font();
        captionFont.setBold(selected);
        painter.setFont(captionFont);
        const QFontMetrics metrics(captionFont);
        const QString caption = tabText(i);
        const int x = r.left() + (r.width() - metrics.horizontalAdvance(caption)) / 2;
        painter.drawText(x, r.top() + CaptionTop + metrics.ascent(), caption);
    }
}

QSize PageTabBar::tabSizeHint(int index) const
{
    // Room for the bold caption of the selected tab, whichever tab that is.
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    const QSize base = QTabBar::tabSizeHint(index);
    return {std::max(base.width(), metrics.horizontalAdvance(tabText(index)) + 16),
            std::max(base.height(), metrics.height() + 2 * CaptionTop)};
}

PageControl::PageControl(QWidget* parent) : QTabWidget(parent), m_bar(new PageTabBar(this))
{
    setTabBar(m_bar);
}

} // namespace kavro
