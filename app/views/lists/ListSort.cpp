#include "views/lists/ListSort.h"

#include <algorithm>
#include <cctype>

namespace kavro {

namespace {

int sign(long long v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int numeric(const ListRow& a, const ListRow& b, int column)
{
    const auto c = static_cast<std::size_t>(column);
    return sign(ColumnNumber(a.text(c)) - ColumnNumber(b.text(c)));
}

int textual(const ListRow& a, const ListRow& b, int column)
{
    const auto c = static_cast<std::size_t>(column);
    return CompareFolded(a.text(c), b.text(c));
}

int bySlot(const ListRow& a, const ListRow& b)
{
    return numeric(a, b, 2);
}

// The table of comparisons, ascending, for rows of the same kind.
int compareAscending(ListKind kind, const ListRow& a, const ListRow& b, int column)
{
    switch (kind) {
    case ListKind::Files:
        if (column == 1) {
            // Folders carry "<Dir>", no number: they come before the files, in their own order.
            const bool folderA = a.kind == RowKind::Folder;
            const bool folderB = b.kind == RowKind::Folder;
            if (folderA || folderB)
                return folderA == folderB ? 0 : (folderA ? -1 : 1);
            return numeric(a, b, 1);
        }
        return textual(a, b, column);
    case ListKind::CategoryContents:
        if (column == 2) {
            const int c = numeric(a, b, 2);
            return c != 0 ? c : textual(a, b, 0);
        } else {
            const int c = textual(a, b, column);
            return c != 0 ? c : bySlot(a, b);
        }
    case ListKind::QuickSearch:
    case ListKind::Search:
        return column == 2 ? numeric(a, b, 2) : textual(a, b, column);
    case ListKind::MachineDiscs:
        return column == 1 ? numeric(a, b, 1) : textual(a, b, column);
    case ListKind::Log:
        return 0;
    }
    return 0;
}

} // namespace

int DefaultSortColumn(ListKind kind)
{
    return kind == ListKind::MachineDiscs ? 1 : 0;
}

bool SortsOnHeaderClick(ListKind kind)
{
    return kind != ListKind::Log;
}

int CompareFolded(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i] >= 'a' && a[i] <= 'z' ? a[i] - 'a' + 'A' : a[i]);
        const auto y = static_cast<unsigned char>(b[i] >= 'a' && b[i] <= 'z' ? b[i] - 'a' + 'A' : b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

long long ColumnNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    // Columns hold 32-bit numbers; stop growing well before the 64-bit range could overflow.
    for (;
         i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && value < 1'000'000'000'000LL;
         ++i)
        value = value * 10 + (text[i] - '0');
    return negative ? -value : value;
}

int CompareRows(ListKind kind, const ListRow& a, const ListRow& b, int column, bool ascending)
{
    if (kind == ListKind::CategoryContents) {
        const bool categoryA = a.kind == RowKind::Category;
        const bool categoryB = b.kind == RowKind::Category;
        if (categoryA != categoryB)
            return categoryA ? -1 : 1;
    }
    const int c = compareAscending(kind, a, b, column);
    return ascending ? c : -c;
}

void SortRows(ListKind kind, std::vector<ListRow>& rows, int column, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const ListRow& a, const ListRow& b) {
        return CompareRows(kind, a, b, column, ascending) < 0;
    });
}

} // namespace kavro
