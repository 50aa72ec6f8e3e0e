#pragma once

#include <QPixmap>
#include <QWidget>

namespace kavro {

// The start-up splash: borderless, centred, its 657 x 290 client area filled by the product
// picture, which is drawn here rather than loaded so that the program carries no image files.
class TSplashForm final : public QWidget {
    Q_OBJECT
public:
    static constexpr int clientWidth = 657;
    static constexpr int clientHeight = 290;

    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before the event loop runs.
    void showAndPaint();

    // The product picture at any size.
    static QPixmap productPicture(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

} // namespace kavro
