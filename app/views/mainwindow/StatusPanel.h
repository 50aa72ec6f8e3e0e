#pragma once

#include <QEvent>
#include <QLabel>

#include <algorithm>

namespace kavro {

// A panel of the main window's status bar: at least its designed width, and always as wide as
// its text (a device status, a slot number, a larger font), so that a narrow window never cuts a
// text short; the window cannot be made narrower than its panels instead. A new text asks the bar
// to lay itself out again, which is when the panel takes its text's width as its least width.
class StatusPanel final : public QLabel {
public:
    StatusPanel(const QString& text, int designedWidth, QWidget* bar)
        : QLabel(text, bar), m_designedWidth(designedWidth)
    {
        setFrameShape(QFrame::Panel);
        setFrameShadow(QFrame::Sunken);
        fitText();
        bar->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::LayoutRequest)
            fitText();
        return QLabel::eventFilter(watched, event);
    }

private:
    void fitText()
    {
        const int needs = std::max(m_designedWidth, sizeHint().width());
        if (minimumWidth() != needs)
            setMinimumWidth(needs);
    }

    int m_designedWidth;
};

} // namespace kavro
