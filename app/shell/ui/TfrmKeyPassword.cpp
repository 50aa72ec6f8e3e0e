#include "shell/ui/TfrmKeyPassword.h"

#include "shell/AppContext.h"
#include "shell/ui/Designed.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kavro {

TfrmKeyPassword::TfrmKeyPassword(std::string stored, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      m_check(std::move(stored))
{
    designed(this, "frmKeyPassword", "TfrmKeyPassword");
    setWindowTitle(QStringLiteral("Password"));

    auto* panel = designed(new QLabel(QStringLiteral("PassWord"), this), "Panel1", "TPanel");
    panel->setAlignment(Qt::AlignCenter);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setMinimumSize(90, 26);
    panel->setStyleSheet(QStringLiteral("background-color: #d00000; color: white; font-weight: bold;"));

    m_edit = designed(new QLineEdit(this), "MaskEdit1", "TMaskEdit");
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // '*'
    m_edit->setMinimumWidth(180);

    m_ok = designed(new QPushButton(QStringLiteral("OK"), this), "BitBtn1", "TBitBtn");
    // Enter is handled by the edit alone; a default button would confirm a second time.
    m_ok->setAutoDefault(false);
    m_ok->setDefault(false);

    auto* row = new QHBoxLayout;
    row->addWidget(panel);
    row->addWidget(m_edit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());

    connect(m_ok, &QPushButton::clicked, this, &TfrmKeyPassword::confirm);
    connect(m_edit, &QLineEdit::returnPressed, this, &TfrmKeyPassword::confirm);
}

void TfrmKeyPassword::ask(AppContext& context)
{
    TfrmKeyPassword dialog(context.storedPassword);
    dialog.exec();
    context.enteredPassword = dialog.entered();
}

void TfrmKeyPassword::confirm()
{
    if (m_check.confirm(m_edit->text().toStdString()))
        accept();
    // A wrong entry says nothing and leaves the text in the edit.
}

void TfrmKeyPassword::keyPressEvent(QKeyEvent* event)
{
    // The dialog has no cancel: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kavro
