#pragma once

#include <optional>
#include <string>

namespace kavro {

// The lists of the main window, as the print commands name them.
enum class PrintList { None, ListView1, ListView2, ListView3, ListView4, ListView5, SearchView };

// What the main window shows when a print command comes: which tree, and which lists are visible.
struct ShownLists {
    bool machineMode = false;
    bool listView1 = false;
    bool listView2 = false;
    bool listView3 = false;
    bool listView4 = false;
    bool listView5 = false;
    bool searchView = false;
};

// The two print entries of the row menus: N45 of the disc list's menu, N48 of the other lists'.
enum class PrintCommand { DiscList, OtherLists };

// The list a print command copies into the print dialog; None when no matching list is shown
// (the dialog is not opened then). DiscList: ListView5 in machine mode, else ListView2.
// OtherLists: ListView5 in machine mode, else the first shown of SearchView, ListView4, ListView3.
PrintList PrintSource(PrintCommand command, const ShownLists& shown);

// The name the menu's print command writes into the status bar: "view1" to "view5",
// "searchview", or "Other" when none of the lists is shown.
std::string ShownListName(const ShownLists& shown);

// What the menu's print command (N_Print, TBItem19) runs: the disc list's command for ListView2
// and ListView5, the other lists' for ListView3, ListView4 and SearchView; nothing otherwise
// (the file list is not printed).
std::optional<PrintCommand> MenuPrintCommand(const ShownLists& shown);

// Ctrl+P: the disc list's command while a disc list is shown (ListView2, or ListView5 in machine
// mode), the other lists' while search results are (SearchView, ListView4); nothing otherwise.
std::optional<PrintCommand> ShortcutPrintCommand(const ShownLists& shown);

} // namespace kavro
