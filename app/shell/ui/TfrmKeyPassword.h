#pragma once

#include "shell/PasswordCheck.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

namespace kavro {

struct AppContext;

// The password entry dialog of start-up: caption "Password", on top of other windows, no
// title-bar buttons. OK or Enter confirms; the right password closes it, and so does the sixth
// wrong one. Its texts are the designed ones (it is shown before any language placement).
class TfrmKeyPassword final : public QDialog {
    Q_OBJECT
public:
    explicit TfrmKeyPassword(std::string stored, QWidget* parent = nullptr);

    // The start-up question: shows the dialog modally for context's stored password and leaves
    // the text last confirmed in context.enteredPassword.
    static void ask(AppContext& context);

    // The text last confirmed, "" when none was.
    const std::string& entered() const { return m_check.entered(); }
    int attempts() const { return m_check.attempts(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void confirm();

    PasswordEntryCheck m_check;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace kavro
