#include "shell/ui/TSplashForm.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace kavro {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setFixedSize(clientWidth, clientHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_picture = productPicture(size());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TSplashForm::showAndPaint()
{
    show();
    raise();
    repaint();
    QCoreApplication::processEvents();
}

void TSplashForm::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_picture); // stretched to the client area
}

QPixmap TSplashForm::productPicture(QSize size)
{
    // Drawn at the designed size, then scaled, so the proportions hold at any size.
    const QSize design(clientWidth, clientHeight);
    QPixmap pixmap(design);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, design.width(), design.height());
    sky.setColorAt(0.0, QColor(16, 36, 74));
    sky.setColorAt(0.55, QColor(28, 78, 140));
    sky.setColorAt(1.0, QColor(10, 22, 48));
    p.fillRect(pixmap.rect(), sky);

    // A faint disc behind the text.
    p.setPen(Qt::NoPen);
    for (int ring = 0; ring < 6; ++ring) {
        p.setBrush(QColor(255, 255, 255, 10 + ring * 4));
        const int r = 190 - ring * 30;
        p.drawEllipse(QPoint(110, 300), r, r);
    }
    p.setBrush(QColor(16, 36, 74));
    p.drawEllipse(QPoint(110, 300), 22, 22);

    // The cabinet: a tall case, a column of slot lines behind a glass front, a door and a lamp.
    const QRectF cabinet(455, 34, 150, 222);
    QLinearGradient metal(cabinet.topLeft(), cabinet.topRight());
    metal.setColorAt(0.0, QColor(180, 188, 200));
    metal.setColorAt(0.5, QColor(236, 240, 245));
    metal.setColorAt(1.0, QColor(150, 158, 172));
    p.setPen(QPen(QColor(40, 48, 60), 2));
    p.setBrush(metal);
    p.drawRoundedRect(cabinet, 10, 10);

    const QRectF glass = cabinet.adjusted(16, 16, -16, -70);
    p.setBrush(QColor(30, 44, 66));
    p.drawRoundedRect(glass, 4, 4);
    p.setPen(QPen(QColor(190, 205, 225), 1.4));
    for (qreal y = glass.top() + 7; y < glass.bottom() - 4; y += 6)
        p.drawLine(QPointF(glass.left() + 8, y), QPointF(glass.right() - 8, y));
    // One disc half out of its slot.
    p.setPen(QPen(QColor(40, 48, 60), 1));
    p.setBrush(QColor(250, 214, 92));
    p.drawRect(QRectF(glass.left() + 20, glass.top() + 61, glass.width() - 40, 5));

    const QRectF door(cabinet.left() + 30, cabinet.bottom() - 48, cabinet.width() - 60, 12);
    p.setBrush(QColor(20, 24, 30));
    p.drawRoundedRect(door, 3, 3);
    p.setBrush(QColor(70, 220, 110));
    p.drawEllipse(QPointF(cabinet.right() - 24, cabinet.bottom() - 18), 5, 5);

    // The name.
    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(78);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 6);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRect(40, 52, 400, 96), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KAVRO"));

    QFont version(QStringLiteral("Sans Serif"));
    version.setPixelSize(30);
    p.setFont(version);
    p.setPen(QColor(250, 214, 92));
    p.drawText(QRect(44, 140, 400, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("5.1"));

    QFont line(QStringLiteral("Sans Serif"));
    line.setPixelSize(17);
    p.setFont(line);
    p.setPen(QColor(210, 222, 240));
    p.drawText(QRect(44, 186, 400, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Disc changer catalogue"));
    p.end();

    if (size == design)
        return pixmap;
    return pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace kavro
