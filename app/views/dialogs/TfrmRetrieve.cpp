#include "views/dialogs/TfrmRetrieve.h"

#include "shell/ui/Designed.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace kavro {

namespace {

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QPushButton* dialogButton(QWidget* parent, const char* text, const char* name)
{
    auto* button = designed(new QPushButton(qs(text), parent), name, "TBitBtn");
    // Enter in the reason field must not take a disc out.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setMinimumWidth(90);
    return button;
}

} // namespace

TfrmRetrieve::TfrmRetrieve(QWidget* parent, const QDateTime& now)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_created(now)
{
    designed(this, "frmRetrieve", "TfrmRetrieve");
    setWindowTitle(qs("光碟置取"));

    auto* cabinet = designed(new QGroupBox(qs("光碟櫃"), this), "GroupBox1", "TGroupBox");
    auto* nameCaption = designed(new QLabel(qs("機器名"), cabinet), "Label1", "TLabel");
    auto* slotCaption = designed(new QLabel(qs("槽位"), cabinet), "Label4", "TLabel");
    auto* titleCaption = designed(new QLabel(qs("片名"), cabinet), "Label5", "TLabel");
    // The values are not placed: they show the disc.
    m_machineName = designed(new QLabel(cabinet), "Label2", "TLabel");
    m_slot = designed(new QLabel(cabinet), "Label3", "TLabel");
    m_title = designed(new QLabel(cabinet), "Label6", "TLabel");
    m_machineName->setMinimumWidth(160);
    m_machineName->setTextFormat(Qt::PlainText);
    // The disc the person is about to handle, so that the right one leaves the door.
    m_title->setTextFormat(Qt::PlainText);
    m_title->setWordWrap(true);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    auto* cabinetLayout = new QGridLayout(cabinet);
    cabinetLayout->addWidget(titleCaption, 0, 0, Qt::AlignTop);
    cabinetLayout->addWidget(m_title, 0, 1);
    cabinetLayout->addWidget(nameCaption, 1, 0);
    cabinetLayout->addWidget(m_machineName, 1, 1);
    cabinetLayout->addWidget(slotCaption, 2, 0);
    cabinetLayout->addWidget(m_slot, 2, 1);
    cabinetLayout->setColumnStretch(1, 1);

    auto* operation = designed(new QGroupBox(qs("操作"), this), "GroupBox2", "TGroupBox");
    m_put = designed(new QRadioButton(qs("置放"), operation), "RadioButton1", "TRadioButton");
    m_take = designed(new QRadioButton(qs("取出"), operation), "RadioButton2", "TRadioButton");
    m_put->setChecked(true);
    auto* operationLayout = new QHBoxLayout(operation);
    operationLayout->addWidget(m_put);
    operationLayout->addWidget(m_take);
    operationLayout->addStretch();

    auto* reason = designed(new QGroupBox(qs("操作原因"), this), "GroupBox3", "TGroupBox");
    m_reason = designed(new QLineEdit(reason), "Edit1", "TEdit");
    m_date = designed(new QDateTimeEdit(now, reason), "DateTimePicker1", "TDateTimePicker");
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QStringLiteral("yyyy/M/d"));
    auto* reasonLayout = new QVBoxLayout(reason);
    reasonLayout->addWidget(m_reason);
    reasonLayout->addWidget(m_date);

    auto* execute = dialogButton(this, "執行", "BitBtn1");
    auto* abandon = dialogButton(this, "放棄", "BitBtn2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(execute);
    buttons->addWidget(abandon);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cabinet);
    layout->addWidget(operation);
    layout->addWidget(reason);
    layout->addLayout(buttons);
    // Fixed at whatever size its texts need, also after the placement pass relabels it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(execute, &QPushButton::clicked, this, [this] { finish(TakeOutAnswer::Execute); });
    connect(abandon, &QPushButton::clicked, this, [this] { finish(TakeOutAnswer::Abandon); });
}

std::unique_ptr<TfrmRetrieve> TfrmRetrieve::create(AppContext& context, QWidget* mainWindow)
{
    auto dialog = std::make_unique<TfrmRetrieve>(mainWindow);
    placeWindowTexts(*dialog, context, mainWindow);
    return dialog;
}

void TfrmRetrieve::setDisc(const std::string& machineName, int slot, const std::string& title)
{
    m_machineName->setText(QString::fromStdString(machineName));
    m_slot->setText(QString::number(slot));
    m_title->setText(QString::fromStdString(title));
}

TakeOutAnswer TfrmRetrieve::answer() const
{
    TakeOutAnswer a;
    a.result = m_result;
    a.takeOut = m_take->isChecked();
    a.reason = m_reason->text().toStdString();
    // The field shows a date only; the time is the one the dialog was made at.
    const QDate date = m_date->date();
    const QTime time = m_created.time();
    a.when = LocalDateTime{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
    return a;
}

TakeOutAnswer TfrmRetrieve::ask(const std::string& machineName, int slot, const std::string& title)
{
    setDisc(machineName, slot, title);
    m_result = TakeOutAnswer::None;
    exec();
    return answer();
}

void TfrmRetrieve::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}

void TfrmRetrieve::finish(int result)
{
    m_result = result;
    done(result);
}

} // namespace kavro
