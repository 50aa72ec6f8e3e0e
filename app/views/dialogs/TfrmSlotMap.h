#pragma once

#include "cataloguing/SlotMap.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPrinter;
class QToolButton;

namespace kavro {

class Texts;

// The slot map of a cabinet: a grid of its 100 or 150 slots, each showing whether it is
// catalogued (the title on hover), free, taken out, in the drive, or flagged by the last
// cataloguing run. A click selects the disc in the main window, a double click presents it at the
// door; Print puts the grid on one A4 page.
class TfrmSlotMap : public QDialog {
    Q_OBJECT
public:
    TfrmSlotMap(const QString& machineName, SlotMap map, std::function<void(int slot)> select,
                std::function<void(int slot)> present, const Texts& texts, QWidget* parent = nullptr);

    QToolButton* slotButton(int slot) const;
    // Puts the map on one page of the printer (Print asks for the printer first).
    void printTo(QPrinter& printer);
    // The colour a state is shown in.
    static QColor colourOf(SlotState state);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void print();

    SlotMap m_map;
    std::function<void(int)> m_select;
    std::function<void(int)> m_present;
    const Texts& m_texts;
    std::vector<QToolButton*> m_buttons;
    QWidget* m_grid = nullptr;
};

} // namespace kavro
