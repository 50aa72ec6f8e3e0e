#pragma once

#include <QTabBar>
#include <QTabWidget>

namespace kavro {

// Tabs drawn by the program: the selected tab filled with grey 242 and its caption bold, the
// others grey 226 with regular captions, each with a black outline, the caption centred across
// the tab 5 pixels from its top.
class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    using QTabBar::QTabBar;

    static constexpr int SelectedGrey = 242;
    static constexpr int OtherGrey = 226;
    static constexpr int CaptionTop = 5;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;
};

// PageControl1: the information tabs of the selected disc, with PageTabBar.
class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);
    PageTabBar* pageTabBar() const { return m_bar; }

private:
    PageTabBar* m_bar;
};

} // namespace kavro
