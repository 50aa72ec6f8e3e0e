#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kavro {

class TfrmAddModel;

// The disc dialog (window frmAdd): machine, slot, category, title, barcode, remark, other notes,
// picture and the drive to read. It shows its model's controls and hands every action of the
// person to the model, which holds the rules. Controls keep their designed names for the
// placement pass (keys 2200 to 2215).
class TfrmAdd final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAdd(TfrmAddModel& model, QWidget* parent = nullptr);

    TfrmAddModel& model() { return m_model; }

    // After the placement pass: the edit mode's own caption.
    void applyModeCaption();

protected:
    void done(int r) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void fillPicker();
    // The typed texts and the check boxes into the model, and the model back into the controls.
    void pull();
    void refresh();
    void placePicker();
    template <typename Action> void act(Action&& action);

    void okClicked();
    void categoryActivated(QTreeWidgetItem* item);

    TfrmAddModel& m_model;
    bool m_acting = false;
    std::string m_shownPicture;

    QComboBox* m_machineBox = nullptr;     // ComboBox_MachineNo
    QComboBox* m_slotBox = nullptr;        // CB_Slot
    QCheckBox* m_checkSlot = nullptr;      // Check_slot
    QLabel* m_labelSlot = nullptr;         // Label_slot
    QLabel* m_label8 = nullptr;            // the chosen category
    QPushButton* m_pickerButton = nullptr; // BitBtn4 "..."
    QTreeWidget* m_picker = nullptr;       // TreeView1
    QLineEdit* m_title = nullptr;          // TntEdit_title
    QLineEdit* m_barcode = nullptr;        // Barcode
    QPlainTextEdit* m_remark = nullptr;    // TntMemo_remark
    QPlainTextEdit* m_other = nullptr;     // TntMemo_other
    QLabel* m_image = nullptr;             // Image1
    QComboBox* m_drive = nullptr;          // ComboBox2
    QCheckBox* m_scan = nullptr;           // CheckBox_ScanCdDetail
    QCheckBox* m_cddb = nullptr;           // CheckBox2
    QCheckBox* m_getNow = nullptr;         // CheckBox_GetNow
};

} // namespace kavro
