#include "DemoCover.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

namespace kavro {

namespace {

// The picture tab shows 180 x 150.
constexpr int kWidth = 180;
constexpr int kHeight = 150;

} // namespace

std::string DrawDemoCover(const std::string& title, const std::string& subtitle, int hue)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sleeve(0, 0, kWidth, kHeight);
    sleeve.setColorAt(0, QColor::fromHsv(hue % 360, 150, 210));
    sleeve.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 210, 90));
    p.fillRect(image.rect(), sleeve);

    // The disc half out of the sleeve, bottom right.
    const QPointF centre(kWidth - 40, kHeight - 38);
    QRadialGradient shine(centre, 58);
    shine.setColorAt(0, QColor(250, 250, 250));
    shine.setColorAt(0.6, QColor(205, 210, 220));
    shine.setColorAt(1, QColor(150, 160, 175));
    p.setPen(QPen(QColor(60, 60, 70), 1));
    p.setBrush(shine);
    p.drawEllipse(centre, 58, 58);
    p.setBrush(QColor::fromHsv(hue % 360, 150, 210));
    p.drawEllipse(centre, 9, 9);

    // Title top left, wrapped; the smaller line under it.
    p.setPen(Qt::white);
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(17);
    big.setBold(true);
    p.setFont(big);
    p.drawText(QRect(10, 8, kWidth - 20, 70), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QString::fromStdString(title));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    p.setFont(small);
    p.drawText(QRect(10, kHeight - 24, kWidth - 80, 18), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(subtitle));
    p.end();

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

} // namespace kavro
