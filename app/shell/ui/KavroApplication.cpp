#include "shell/ui/KavroApplication.h"

#include "platform/Person.h"

#include <QMessageBox>

#include <exception>

namespace kavro {

KavroApplication::KavroApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KavroApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(error.what());
    } catch (...) {
        showError({});
    }
    return false;
}

void KavroApplication::showError(const std::string& message)
{
    std::string text = message;
    // Messages ending in a letter or digit get a full stop; "!" or "." endings stay as they are.
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    const std::string caption = applicationName().toStdString();
    if (m_person != nullptr) {
        m_person->messageBox(text, caption, BoxIcon::Stop, BoxButtons::Ok);
        return;
    }
    QMessageBox::critical(nullptr, applicationName(), QString::fromStdString(text));
}

} // namespace kavro
