#include "shell/ui/TfrmPassword.h"

#include "shell/PasswordCheck.h"
#include "shell/ui/Designed.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kavro {

namespace {

QLineEdit* maskedEdit(QWidget* parent, const char* name)
{
    auto* edit = designed(new QLineEdit(parent), name, "TMaskEdit");
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // '*'
    edit->setMinimumWidth(180);
    return edit;
}

QPushButton* bitButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* button = designed(new QPushButton(caption, parent), name, "TBitBtn");
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmPassword::TfrmPassword(RegistryStore& store, Person& person, QWidget* parent)
    : QDialog(parent), m_store(store), m_person(person)
{
    designed(this, "frmPassword", "TfrmPassword");
    setWindowTitle(QStringLiteral("frmPassword"));

    auto* label1 = designed(new QLabel(QStringLiteral("Password"), this), "Label1", "TLabel");
    auto* label2 = designed(new QLabel(QStringLiteral("Again"), this), "Label2", "TLabel");
    m_first = maskedEdit(this, "MaskEdit1");
    m_again = maskedEdit(this, "MaskEdit2");
    auto* change = bitButton(this, "BitBtn1", QStringLiteral("更 改"));
    auto* cancel = bitButton(this, "BitBtn2", QStringLiteral("放 棄"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label1, 0, 0);
    layout->addWidget(m_first, 0, 1);
    layout->addWidget(label2, 1, 0);
    layout->addWidget(m_again, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(change);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 2, 0, 1, 2);

    connect(change, &QPushButton::clicked, this, &TfrmPassword::change);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPassword::change()
{
    PasswordChangeCheck check(m_store, m_person);
    switch (check.change(m_first->text().toStdString(), m_again->text().toStdString())) {
    case PasswordChangeCheck::Result::Mismatch:
        m_first->clear();
        m_again->clear();
        m_first->setFocus();
        return;
    case PasswordChangeCheck::Result::Stored:
        accept();
        return;
    case PasswordChangeCheck::Result::StoreFailed:
        reject();
        return;
    }
}

} // namespace kavro
