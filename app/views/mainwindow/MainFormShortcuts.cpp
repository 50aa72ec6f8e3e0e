#include "views/mainwindow/MainFormShortcuts.h"

#include "views/mainwindow/DiscBrowser.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/TMainForm.h"

#include <QAction>
#include <QKeySequence>
#include <QTreeWidget>

namespace kavro {

namespace {

// A pop-up menu entry shows the key; it acts on it only while its menu is open, so the window's
// own shortcut stays the one that fires.
void showKey(TMainForm& window, const char* name, const QKeySequence& key)
{
    if (QAction* entry = window.designedAction(QString::fromLatin1(name))) {
        entry->setShortcut(key);
        entry->setShortcutContext(Qt::WidgetShortcut);
        entry->setShortcutVisibleInContextMenu(true);
    }
}

} // namespace

MainFormShortcuts::MainFormShortcuts(TMainForm& window) : QObject(&window), m_window(window)
{
    const QKeySequence newDisc(Qt::CTRL | Qt::Key_N);
    const QKeySequence search(Qt::CTRL | Qt::Key_F);
    const QKeySequence rename(Qt::Key_F2);
    const QKeySequence remove(QKeySequence::Delete);
    const QKeySequence refresh(Qt::Key_F5);

    if (QAction* a = window.designedAction(QStringLiteral("TBItem32")))
        a->setShortcut(newDisc);
    if (QAction* a = window.designedAction(QStringLiteral("TBItem35")))
        a->setShortcut(search);
    // Delete in the edit line or a caption editor stays theirs: a line edit takes the key first.
    if (QAction* a = window.designedAction(QStringLiteral("TBItem37")))
        a->setShortcut(remove);

    auto* renameAction = new QAction(QStringLiteral("Rename"), &window);
    renameAction->setObjectName(QStringLiteral("Key_rename"));
    renameAction->setShortcut(rename);
    window.addAction(renameAction);
    connect(renameAction, &QAction::triggered, this, &MainFormShortcuts::rename);
    auto* refreshAction = new QAction(QStringLiteral("Refresh"), &window);
    refreshAction->setObjectName(QStringLiteral("Key_refresh"));
    refreshAction->setShortcut(refresh);
    window.addAction(refreshAction);
    connect(refreshAction, &QAction::triggered, this, &MainFormShortcuts::refresh);

    showKey(window, "N38", newDisc);
    showKey(window, "N21", search);
    for (const char* name : {"N11", "N39", "N2", "N4"})
        showKey(window, name, remove);
    for (const char* name : {"N23", "N41", "N26"}) // rename category, disc title, row title
        showKey(window, name, rename);
}

void MainFormShortcuts::rename()
{
    const MainFormWidgets& w = m_window.widgets();
    DiscBrowser& browser = m_window.browser();
    if (browser.busy())
        return;
    if (w.treeView1->hasFocus())
        browser.renameCurrentNode();
    else if (browser.paneOf(w.listView2)->hasListFocus())
        browser.renameListRow();
}

void MainFormShortcuts::refresh()
{
    const MainFormWidgets& w = m_window.widgets();
    DiscBrowser& browser = m_window.browser();
    if (browser.busy())
        return;
    browser.forgetLastNode();
    if (browser.machineMode()) {
        if (const QTreeWidgetItem* machine = w.treeView2->currentItem())
            browser.fillMachineList(machine->data(0, Qt::UserRole).toInt());
    } else if (TreeNode* node = w.treeView1->currentNode()) {
        browser.nodeClicked(node);
    }
}

} // namespace kavro
