#include "views/dialogs/TfrmAddType.h"

#include "shell/ui/Designed.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace kavro {

TfrmAddType::TfrmAddType(QWidget* parent) : QDialog(parent)
{
    designed(this, "frmAddType", "TfrmAddType");
    setWindowTitle(QStringLiteral("ADD DISC"));
    setFixedSize(300, 180);

    auto* prompt = designed(new QLabel(QStringLiteral("請選擇新增項目"), this), "StaticText1", "TStaticText");
    prompt->setGeometry(20, 14, 260, 22);
    m_disc = designed(new QRadioButton(QStringLiteral("新增光碟片"), this), "RadioButton1", "TRadioButton");
    m_disc->setGeometry(40, 46, 220, 24);
    m_disc->setChecked(true);
    m_category =
        designed(new QRadioButton(QStringLiteral("新增光碟類型"), this), "RadioButton2", "TRadioButton");
    m_category->setGeometry(40, 76, 220, 24);

    auto* run = designed(new QPushButton(QStringLiteral("執行"), this), "BitBtn1", "TBitBtn");
    run->setGeometry(50, 128, 90, 30);
    auto* cancel = designed(new QPushButton(QStringLiteral("取消"), this), "BitBtn2", "TBitBtn");
    cancel->setGeometry(160, 128, 90, 30);
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
