#pragma once

#include "views/dialogs/TfrmPrint2.h"
#include "views/flows/TfrmPrint2Source.h"

#include <QObject>

class QTreeWidget;

namespace kavro {

class TMainForm;

// The main window's print commands: N45 of the disc list's menu, N48 of the other lists' menu,
// the menu entry N_Print and the toolbar's TBItem19, and Ctrl+P. Each picks its source list by
// what the window shows and opens the print dialog on it, modally; the dialog goes when closed.
// Made once for the window, as its child.
class TfrmPrint2Commands : public QObject {
    Q_OBJECT
public:
    explicit TfrmPrint2Commands(TMainForm& window);

    // What the window shows now.
    ShownLists shownLists() const;

    // The print dialog on the command's source list; false when no matching list is shown.
    bool print(PrintCommand command);
    // N_Print and TBItem19: the shown list's name into status panel 3, then its command.
    bool menuPrint();
    // Ctrl+P.
    bool shortcutPrint();

    // Given to every dialog opened (tests print to a file instead of the preview).
    void setPreview(TfrmPrint2::Preview preview) { m_preview = std::move(preview); }

private:
    QTreeWidget* listOf(PrintList list) const;

    TMainForm& m_window;
    TfrmPrint2::Preview m_preview;
};

} // namespace kavro
