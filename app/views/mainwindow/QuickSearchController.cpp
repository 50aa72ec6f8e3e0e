#include "views/mainwindow/QuickSearchController.h"

#include "catalogue/records/Catalogue.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "shell/AppContext.h"
#include "views/mainwindow/DiscBrowser.h"
#include "views/lists/ListRows.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/TMainForm.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace kavro {

namespace {

// Keys whose code is the same for the keypad and the main keyboard or that only exist once.
int plainVirtualKey(int key)
{
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Clear:
        return 12;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Select:
        return 41;
    case Qt::Key_Printer:
        return 42;
    case Qt::Key_Execute:
        return 43;
    case Qt::Key_Print:
        return 44; // Print Screen
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Help:
        return 47;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
        return 91;
    case Qt::Key_Super_R:
        return 92;
    case Qt::Key_Menu:
        return 93;
    case Qt::Key_Sleep:
        return 95;
    case Qt::Key_NumLock:
        return 144;
    case Qt::Key_ScrollLock:
        return 145;
    // The punctuation keys of a US keyboard, shifted or not (the OEM codes).
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
        return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
        return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return 191;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
        return 192;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return 219;
    case Qt::Key_Backslash:
    case Qt::Key_Bar:
        return 220;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return 221;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl:
        return 222;
    // Shifted digits come from the digit keys.
    case Qt::Key_ParenRight:
        return '0';
    case Qt::Key_Exclam:
        return '1';
    case Qt::Key_At:
        return '2';
    case Qt::Key_NumberSign:
        return '3';
    case Qt::Key_Dollar:
        return '4';
    case Qt::Key_Percent:
        return '5';
    case Qt::Key_AsciiCircum:
        return '6';
    case Qt::Key_Ampersand:
        return '7';
    case Qt::Key_Asterisk:
        return '8';
    case Qt::Key_ParenLeft:
        return '9';
    default:
        break;
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    return 0;
}

int keypadVirtualKey(int key)
{
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return 96 + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return 107;
    case Qt::Key_Minus:
        return 109;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return 110;
    case Qt::Key_Slash:
        return 111;
    default:
        return plainVirtualKey(key);
    }
}

} // namespace

QuickSearchController::QuickSearchController(TMainForm& window)
    : QObject(&window), m_window(window), m_edit(window.widgets().tntEditMain),
      m_search(window.catalogue(), m_cache)
{
    const MainFormWidgets& w = window.widgets();
    m_edit->installEventFilter(this);
    connect(w.tntBtnClear, &QPushButton::clicked, this, &QuickSearchController::clear);
    // The first search reads the texts of every disc row; do it once the window is up, so the
    // first keystroke is as quick as the others. A failure here is reported by that search.
    QTimer::singleShot(0, this, [this] { (void)m_cache.refresh(m_window.catalogue().database()); });
}

int QuickSearchController::virtualKeyOf(const QKeyEvent& event)
{
    const int key = event.key();
    return event.modifiers().testFlag(Qt::KeypadModifier) ? keypadVirtualKey(key) : plainVirtualKey(key);
}

bool QuickSearchController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit)
        return false;
    QLineEdit* edit = m_edit;
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Esc in a line that holds text empties it, as "Clear" does; only Esc in an empty line
        // reaches the window, which closes.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && !edit->text().isEmpty()) {
            clear();
            return true;
        }
        break;
    }
    case QEvent::KeyRelease:
        // Any key may change the text (a full stop, a hyphen, Ctrl+V...); the search itself runs
        // only when the text differs from the last one searched.
        if (QuickSearch::isTriggerKey(virtualKeyOf(*static_cast<QKeyEvent*>(event))) ||
            edit->text().toStdString() != m_search.lastText())
            search(true);
        break;
    case QEvent::InputMethod:
        // Text composed by an input method arrives without key releases; once the edit has
        // taken it, it counts as typed.
        if (!static_cast<QInputMethodEvent*>(event)->commitString().isEmpty()) {
            edit->event(event);
            search(true);
            return true;
        }
        break;
    case QEvent::FocusIn: {
        const QString trimmed = QString::fromStdString(text::trimBlanks(edit->text().toStdString()));
        if (trimmed != edit->text())
            edit->setText(trimmed);
        if (!trimmed.isEmpty())
            search(false);
        break;
    }
    case QEvent::MouseButtonPress:
        m_window.browser().forgetLastNode();
        break;
    default:
        break;
    }
    return false;
}

void QuickSearchController::search(bool fromKey)
{
    const std::string text = m_window.widgets().tntEditMain->text().toStdString();
    if (!m_search.takeText(text))
        return;
    m_window.browser().forgetLastNode();
    if (text.empty()) {
        if (fromKey)
            listEveryDisc();
        return;
    }
    ++m_searches;
    if (m_window.categoryMode())
        searchCategories(text);
    else
        searchMachines(text);
}

void QuickSearchController::clear()
{
    m_window.widgets().tntEditMain->clear();
    m_search.setLastText({});
    m_window.browser().forgetLastNode();
    listEveryDisc();
}

void QuickSearchController::listEveryDisc()
{
    TreeNode* root = m_window.catalogue().categoryTree().categoryRoot();
    if (!root)
        return;
    m_window.widgets().treeView1->selectNode(root);
    m_window.browser().showCategoryContents(root);
}

void QuickSearchController::searchCategories(const std::string& text)
{
    const MainFormWidgets& w = m_window.widgets();
    DiscBrowser& browser = m_window.browser();
    auto found = m_search.inCategories(text, w.treeView1->currentNode());
    if (!found) {
        report(found.error());
        return;
    }
    const RowLookups lookups = browser.lookups();
    std::vector<ListRow> rows;
    rows.reserve(found->size());
    for (const SearchRow& r : *found) {
        const int entry = browser.resultRows().add(r.machine, r.slot);
        rows.push_back(
            SearchResultRow(entry, r.machine, r.slot, r.title, r.categoryName, r.deviceType, lookups));
    }
    w.listView4->setRows(std::move(rows));
    w.listView4->sortDefault();
    browser.showList(w.listView4);
}

void QuickSearchController::searchMachines(const std::string& text)
{
    const MainFormWidgets& w = m_window.widgets();
    DiscBrowser& browser = m_window.browser();
    const DiscList& discs = browser.discs();
    std::vector<DiscKey> keys;
    keys.reserve(static_cast<std::size_t>(discs.count()));
    for (int i = 0; i < discs.count(); ++i)
        keys.push_back(
            {discs[i].isDisc() ? NodeKind::Disc : NodeKind::Removed, discs[i].machine, discs[i].slot});
    auto found = m_search.inMachines(text, keys);
    if (!found) {
        report(found.error());
        return;
    }
    const RowLookups lookups = browser.lookups();
    std::vector<ListRow> rows;
    rows.reserve(found->size());
    for (const SearchRow& r : *found) {
        ListRow row;
        row.kind = RowKind::Disc;
        row.machine = r.machine;
        row.slot = r.slot;
        row.discEntry = r.entry;
        row.texts = {r.title, std::to_string(r.slot)};
        row.red = lookups.isDriveMachine && lookups.isDriveMachine(r.machine, discs[r.entry].deviceType);
        row.icon = row.red ? RowIcon::DriveDisc : RowIcon::Disc;
        rows.push_back(std::move(row));
    }
    // The rows stay in table order.
    w.listView5->setRows(std::move(rows));
}

void QuickSearchController::report(const std::string& error)
{
    AppContext& app = m_window.appContext();
    if (app.person)
        app.person->messageBox(error, app.windowTitle, BoxIcon::Error, BoxButtons::Ok);
}

} // namespace kavro
