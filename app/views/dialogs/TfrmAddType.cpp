#include "views/dialogs/TfrmAddType.h"

#include "shell/ui/Designed.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kavro {

TfrmAddType::TfrmAddType(QWidget* parent) : QDialog(parent)
{
    designed(this, "frmAddType", "TfrmAddType");
    setWindowTitle(QStringLiteral("ADD DISC"));

    auto* prompt = designed(new QLabel(QStringLiteral("請選擇新增項目"), this), "StaticText1", "TStaticText");
    prompt->setMinimumWidth(260);
    m_disc = designed(new QRadioButton(QStringLiteral("新增光碟片"), this), "RadioButton1", "TRadioButton");
    m_disc->setChecked(true);
    m_category =
        designed(new QRadioButton(QStringLiteral("新增光碟類型"), this), "RadioButton2", "TRadioButton");

    auto* run = designed(new QPushButton(QStringLiteral("執行"), this), "BitBtn1", "TBitBtn");
    auto* cancel = designed(new QPushButton(QStringLiteral("取消"), this), "BitBtn2", "TBitBtn");
    run->setMinimumWidth(90);
    cancel->setMinimumWidth(90);

    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(20, 0, 0, 0);
    choices->addWidget(m_disc);
    choices->addWidget(m_category);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 16);
    layout->addWidget(prompt);
    layout->addLayout(choices);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    // Fixed at the size its texts need, also after the placement pass relabels it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(run, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TfrmAddType::Choice TfrmAddType::choice() const
{
    if (result() != QDialog::Accepted)
        return Cancelled;
    return m_category->isChecked() ? NewCategory : NewDisc;
}

} // namespace kavro
