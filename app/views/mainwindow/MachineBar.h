#pragma once

#include <QToolBar>

class QComboBox;
class QLabel;
class QPushButton;

namespace kavro {

class ChangerDisplay;

// TB_DVDRW, the machine bar under the toolbar: the machine-name box of the machines with a
// built-in drive, the drive's state, and the Detail, Eject and Explorer buttons; the Load button
// and the slot box are designed but hidden. It shows what the changer's display data says.
class MachineBar : public QToolBar {
    Q_OBJECT
public:
    explicit MachineBar(QWidget* parent = nullptr);

    // Takes every value from the display: names and text of the box, state label, enabled
    // buttons, and whether the bar is shown.
    void showDisplay(const ChangerDisplay& display);
    // Catalogue Cabinet and Slot Map show their captions when the bar has room for them, else
    // icons alone. Done on resizes and font changes; call it after the bar's texts change.
    void fitCommands();

    QComboBox* machineNameBox() const { return m_names; }
    QComboBox* slotBox() const { return m_slots; }
    QLabel* stateLabel() const { return m_state; }
    QPushButton* detailButton() const { return m_detail; }
    QPushButton* ejectButton() const { return m_eject; }
    QPushButton* explorerButton() const { return m_explorer; }
    QPushButton* loadButton() const { return m_load; }

signals:
    // The person picked a name in the machine-name box.
    void machineNameChosen(const QString& name);
    void slotChosen(const QString& text);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Whether the name box's least width changed.
    bool fitNameBox();

    QComboBox* m_names = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_detail = nullptr;
    QPushButton* m_eject = nullptr;
    QPushButton* m_explorer = nullptr;
    QPushButton* m_load = nullptr;
    QComboBox* m_slots = nullptr;
    bool m_fittingCommands = false;
};

} // namespace kavro
