#include "views/dialogs/TfrmSwapID.h"

#include "platform/Text.h"
#include "shell/ui/Designed.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
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
    // Enter in a list must not swap by surprise.
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setMinimumWidth(90);
    return button;
}

QComboBox* machineList(QWidget* parent, const char* name)
{
    auto* list = designed(new QComboBox(parent), name, "TComboBox");
    list->setEditable(true);
    // A typed name is only a text to hand back, never a new entry of the list.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setMinimumWidth(200);
    return list;
}

std::string handedBack(const QComboBox& list)
{
    return text::cutUtf8(list.currentText().toStdString(), TfrmSwapID::MaxNameBytes);
}

} // namespace

TfrmSwapID::TfrmSwapID(QWidget* parent) : QDialog(parent)
{
    designed(this, "frmSwapID", "TfrmSwapID");
    setWindowTitle(qs("置換 ID"));

    auto* sourceCaption = designed(new QLabel(qs("來源ID"), this), "Label1", "TLabel");
    auto* targetCaption = designed(new QLabel(qs("轉換ID"), this), "Label2", "TLabel");
    m_source = machineList(this, "ComboBox1");
    m_target = machineList(this, "ComboBox2");
    auto* note = designed(new QLabel(qs("置換後請重開程式"), this), "StaticText1", "TStaticText");

    auto* swapButton = dialogButton(this, "置換", "BitBtn1");
    auto* cancelButton = dialogButton(this, "取消", "BitBtn2");
    auto* resetButton = dialogButton(this, "重設", "BitBtn3");
    resetButton->hide();

    auto* grid = new QGridLayout;
    grid->addWidget(sourceCaption, 0, 0);
    grid->addWidget(m_source, 0, 1);
    grid->addWidget(targetCaption, 1, 0);
    grid->addWidget(m_target, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(swapButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(resetButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(swapButton, &QPushButton::clicked, this, &TfrmSwapID::swap);
    connect(cancelButton, &QPushButton::clicked, this, &TfrmSwapID::cancel);
    connect(resetButton, &QPushButton::clicked, this, &TfrmSwapID::cancel);
}

std::unique_ptr<TfrmSwapID> TfrmSwapID::create(AppContext& context, QWidget* mainWindow)
{
    auto dialog = std::make_unique<TfrmSwapID>(mainWindow);
    placeWindowTexts(*dialog, context, mainWindow);
    return dialog;
}

void TfrmSwapID::setMachineNames(const std::vector<std::string>& machineNames)
{
    for (QComboBox* list : {m_source, m_target}) {
        list->clear();
        for (const std::string& name : machineNames)
            list->addItem(QString::fromStdString(name));
        list->setCurrentIndex(-1);
    }
}

std::pair<std::string, std::string> TfrmSwapID::ask(const std::vector<std::string>& machineNames)
{
    setMachineNames(machineNames);
    m_chosen = {};
    exec();
    return m_chosen;
}

void TfrmSwapID::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSwapID::swap()
{
    m_chosen = {handedBack(*m_source), handedBack(*m_target)};
    accept();
}

void TfrmSwapID::cancel()
{
    m_chosen = {};
    reject();
}

} // namespace kavro
