#pragma once

#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/QuickSearch.h"

#include <QObject>

class QKeyEvent;
class QLineEdit;

namespace kavro {

class TMainForm;

// The quick search behind the main window's edit line TntEdit_Main: titles containing the text,
// into ListView4 in category mode or ListView5 in machine mode. A search runs when a key with a
// virtual key code of 8, 13 or 32 to 126 is released in the edit line, when any other released key
// has changed its text (full stop, hyphen, comma...), when input from an input method arrives
// there, and when the edit line gets the focus (its text trimmed first); only a text that differs
// from the last one searched runs. The "Clear" button empties the line and lists every disc; so
// does Esc in a line that holds text. Made once for the window, as its child.
class QuickSearchController : public QObject {
    Q_OBJECT
public:
    explicit QuickSearchController(TMainForm& window);

    // The Windows virtual key code of a released key, as the search triggers are stated in it;
    // 0 for keys that have none.
    static int virtualKeyOf(const QKeyEvent& event);

    // What a trigger does with the edit line's text: the search when it changed; for an empty
    // text after a key, every disc in ListView2.
    void search(bool fromKey);
    // The "Clear" button.
    void clear();

    // How many searches ran (for tests and measurements).
    int searchCount() const { return m_searches; }
    // The disc texts the searches read; the advanced search shares them.
    DiscTextCache& discTexts() { return m_cache; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listEveryDisc();
    void searchCategories(const std::string& text);
    void searchMachines(const std::string& text);
    void report(const std::string& error);

    TMainForm& m_window;
    // The edit line it watches. The window's members are gone before its child widgets, which
    // still send events then: the filter must know the edit without asking the window.
    QLineEdit* m_edit;
    DiscTextCache m_cache;
    QuickSearch m_search;
    int m_searches = 0;
};

} // namespace kavro
