#pragma once

#include "changer/TakeOutDialog.h"

#include <QDateTime>
#include <QDialog>

#include <memory>

class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kavro {

struct AppContext;

// The take-out dialog ("光碟置取"): the disc's title, machine and slot, put in or take out, a
// reason and a date.
// "執行" closes with 1, "放棄" with 2, anything else (Escape) with 0. Fixed size, centred on the
// screen, no title-bar buttons.
class TfrmRetrieve final : public QDialog, public TakeOutDialog {
    Q_OBJECT
public:
    // now: the moment the dialog is made; the date field starts there and the answer keeps its time.
    explicit TfrmRetrieve(QWidget* parent = nullptr, const QDateTime& now = QDateTime::currentDateTime());

    // A dialog as the main window opens it: made, then labelled by the placement pass.
    static std::unique_ptr<TfrmRetrieve> create(AppContext& context, QWidget* mainWindow);

    // Fills in the machine's name, the slot and the disc's title.
    void setDisc(const std::string& machineName, int slot, const std::string& title = {});
    // What the dialog holds now, with the result it closed with (0 until then).
    TakeOutAnswer answer() const;

    // Fills in the disc, shows the dialog modally and hands back the person's choice.
    TakeOutAnswer ask(const std::string& machineName, int slot, const std::string& title) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void finish(int result);

    QDateTime m_created;
    int m_result = TakeOutAnswer::None;
    QLabel* m_machineName = nullptr;
    QLabel* m_slot = nullptr;
    QLabel* m_title = nullptr;
    QRadioButton* m_put = nullptr;
    QRadioButton* m_take = nullptr;
    QLineEdit* m_reason = nullptr;
    QDateTimeEdit* m_date = nullptr;
};

} // namespace kavro
