#pragma once

#include <QObject>

namespace kavro {

class TMainForm;

// The keys a desktop user expects where the designed window has none: Ctrl+N new disc,
// Ctrl+F advanced search (Ctrl+Shift+F is Find files), F2 rename, Delete delete (with its
// question), F5 refresh. The toolbar entries carry them, and the pop-up menus show them beside
// the entries that do the same. Made once for the window, as its child.
class MainFormShortcuts : public QObject {
    Q_OBJECT
public:
    explicit MainFormShortcuts(TMainForm& window);

    // F2 and F5, for tests.
    void rename();
    void refresh();

private:
    TMainForm& m_window;
};

} // namespace kavro
