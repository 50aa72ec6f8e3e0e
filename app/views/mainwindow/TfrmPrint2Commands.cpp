#include "views/mainwindow/TfrmPrint2Commands.h"

#include "views/mainwindow/DiscBrowser.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/MainFormWidgets.h"
#include "views/mainwindow/TMainForm.h"

#include <QAction>
#include <QLabel>

namespace kavro {

TfrmPrint2Commands::TfrmPrint2Commands(TMainForm& window) : QObject(&window), m_window(window)
{
    const auto on = [this](const char* name, auto handler) {
        if (QAction* action = m_window.designedAction(QString::fromLatin1(name)))
            connect(action, &QAction::triggered, this, handler);
    };
    on("N45", [this] { print(PrintCommand::DiscList); });
    on("N48", [this] { print(PrintCommand::OtherLists); });
    on("N_Print", [this] { menuPrint(); });
    on("TBItem19", [this] { menuPrint(); });
}

ShownLists TfrmPrint2Commands::shownLists() const
{
    const MainFormWidgets& w = m_window.widgets();
    const auto shown = [this](const ListPane* pane) { return pane && pane->isVisibleTo(&m_window); };
    ShownLists s;
    s.machineMode = !m_window.categoryMode();
    s.listView1 = shown(w.paneListView1);
    s.listView2 = shown(w.paneListView2);
    s.listView3 = shown(w.paneListView3);
    s.listView4 = shown(w.paneListView4);
    s.listView5 = shown(w.paneListView5);
    s.searchView = shown(w.paneSearchView);
    return s;
}

bool TfrmPrint2Commands::print(PrintCommand command)
{
    QTreeWidget* source = listOf(PrintSource(command, shownLists()));
    if (!source)
        return false;
    auto dialog = TfrmPrint2::create(m_window.appContext(), *source, &m_window);
    if (m_preview)
        dialog->setPreview(m_preview);
    dialog->exec();
    return true;
}

bool TfrmPrint2Commands::menuPrint()
{
    const ShownLists shown = shownLists();
    m_window.statusPanel(3)->setText(QString::fromStdString(ShownListName(shown)));
    const auto command = MenuPrintCommand(shown);
    return command && print(*command);
}

bool TfrmPrint2Commands::shortcutPrint()
{
    const auto command = ShortcutPrintCommand(shownLists());
    return command && print(*command);
}

QTreeWidget* TfrmPrint2Commands::listOf(PrintList list) const
{
    const MainFormWidgets& w = m_window.widgets();
    switch (list) {
    case PrintList::ListView1:
        return w.listView1;
    case PrintList::ListView2:
        return w.listView2;
    case PrintList::ListView3:
        return w.listView3;
    case PrintList::ListView4:
        return w.listView4;
    case PrintList::ListView5:
        return w.listView5;
    case PrintList::SearchView:
        return w.searchView;
    case PrintList::None:
        break;
    }
    return nullptr;
}

} // namespace kavro
