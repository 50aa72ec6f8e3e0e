#include "views/flows/TfrmPrint2Source.h"

namespace kavro {

PrintList PrintSource(PrintCommand command, const ShownLists& shown)
{
    if (shown.machineMode)
        return PrintList::ListView5;
    if (command == PrintCommand::DiscList)
        return PrintList::ListView2;
    if (shown.searchView)
        return PrintList::SearchView;
    if (shown.listView4)
        return PrintList::ListView4;
    if (shown.listView3)
        return PrintList::ListView3;
    return PrintList::None;
}

std::string ShownListName(const ShownLists& shown)
{
    if (shown.listView1)
        return "view1";
    if (shown.listView2)
        return "view2";
    if (shown.listView3)
        return "view3";
    if (shown.listView4)
        return "view4";
    if (shown.listView5)
        return "view5";
    if (shown.searchView)
        return "searchview";
    return "Other";
}

std::optional<PrintCommand> MenuPrintCommand(const ShownLists& shown)
{
    if (shown.listView2)
        return PrintCommand::DiscList;
    if (shown.listView3 || shown.listView4)
        return PrintCommand::OtherLists;
    if (shown.listView5)
        return PrintCommand::DiscList;
    if (shown.searchView)
        return PrintCommand::OtherLists;
    return std::nullopt;
}

std::optional<PrintCommand> ShortcutPrintCommand(const ShownLists& shown)
{
    if (shown.machineMode ? shown.listView5 : shown.listView2)
        return PrintCommand::DiscList;
    if (!shown.machineMode && (shown.searchView || shown.listView4))
        return PrintCommand::OtherLists;
    return std::nullopt;
}

} // namespace kavro
