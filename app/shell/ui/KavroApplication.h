#pragma once

#include <QApplication>

#include <string>

namespace kavro {

class Person;

// The application object. An exception thrown by an event handler does not end the program:
// like any other error that reaches the top, it is shown in the standard error box and the
// event loop goes on.
class KavroApplication final : public QApplication {
    Q_OBJECT
public:
    KavroApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where the standard error box goes (the program's person); null shows a plain box.
    void setPerson(Person* person) { m_person = person; }

    // The standard error box: the message (with a closing full stop), captioned with the
    // application title, stop icon, OK.
    void showError(const std::string& message);

private:
    Person* m_person = nullptr;
};

} // namespace kavro
