#pragma once

#include "views/lists/ListRow.h"

#include <string_view>
#include <vector>

namespace kavro {

// The lists of the right pane, by what they show.
enum class ListKind {
    Files,            // ListView1: a folder of the loaded disc
    CategoryContents, // ListView2
    Log,              // ListView3: the take-out log
    QuickSearch,      // ListView4
    MachineDiscs,     // ListView5
    Search,           // SearchView: one advanced-search tab
};

// The column a refilled list is sorted on (ascending).
int DefaultSortColumn(ListKind kind);
// Whether a header click sorts the list (the log keeps the order of its file).
bool SortsOnHeaderClick(ListKind kind);

// Texts compare as bytes with only the letters a to z folded to upper case.
int CompareFolded(std::string_view a, std::string_view b);
// A column read as a decimal integer (an optional sign, then digits; anything else ends it).
long long ColumnNumber(std::string_view text);

// The order of two rows of a list on a column, ascending. In ListView2 a category row comes
// before a disc row whatever the direction; descending negates everything else. Negative, zero
// or positive.
int CompareRows(ListKind kind, const ListRow& a, const ListRow& b, int column, bool ascending);

// Sorts rows in place with CompareRows; rows that compare equal keep their order.
void SortRows(ListKind kind, std::vector<ListRow>& rows, int column, bool ascending);

// The sort values each list keeps: a column and one direction flag for the whole list.
struct SortState {
    int column = 0;
    bool ascending = true;

    // A header click: that column, the flag reversed.
    void headerClicked(int clicked)
    {
        column = clicked;
        ascending = !ascending;
    }
};

} // namespace kavro
