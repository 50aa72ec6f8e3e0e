#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace kavro {

class Person;
class RegistryStore;

// The change-password dialog (menu N_password). The two masked entries must agree; the
// password is then stored in the registry (an empty one removes the start-up question). The old
// password is not asked for. Callers run the placement pass on it before showing it.
class TfrmPassword final : public QDialog {
    Q_OBJECT
public:
    TfrmPassword(RegistryStore& store, Person& person, QWidget* parent = nullptr);

private:
    void change();

    RegistryStore& m_store;
    Person& m_person;
    QLineEdit* m_first = nullptr;
    QLineEdit* m_again = nullptr;
};

} // namespace kavro
