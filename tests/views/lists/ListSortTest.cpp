#include "views/lists/ListSort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using kavro::ListKind;
using kavro::ListRow;
using kavro::RowKind;

namespace {

ListRow disc(const std::string& title, int slot, const std::string& category = "Cat")
{
    ListRow row;
    row.kind = RowKind::Disc;
    row.slot = slot;
    row.texts = {title, "Machine", std::to_string(slot), category};
    return row;
}

ListRow category(const std::string& name)
{
    ListRow row;
    row.kind = RowKind::Category;
    row.texts = {name, "<category>", "0", ""};
    return row;
}

std::vector<std::string> order(std::vector<ListRow> rows, ListKind kind, int column, bool ascending)
{
    kavro::SortRows(kind, rows, column, ascending);
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.text(0) + "#" + row.text(2));
    return out;
}

} // namespace

TEST(ListSort, TheDirectionFlagBelongsToTheListAndFlipsOnEveryHeaderClick)
{
    kavro::SortState state;
    state.headerClicked(0);
    EXPECT_EQ(state.column, 0);
    EXPECT_FALSE(state.ascending) << "the first click on a fresh list sorts descending";
    state.headerClicked(0);
    EXPECT_TRUE(state.ascending);
    state.headerClicked(2);
    EXPECT_EQ(state.column, 2);
    EXPECT_FALSE(state.ascending) << "another column does not start over";
}

TEST(ListSort, CategoryRowsComeFirstInEitherDirection)
{
    const std::vector<ListRow> rows = {disc("Same", 3), category("Same"), disc("Alpha", 1), category("Zed")};
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 0, true),
              (std::vector<std::string>{"Same#0", "Zed#0", "Alpha#1", "Same#3"}));
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 0, false),
              (std::vector<std::string>{"Zed#0", "Same#0", "Same#3", "Alpha#1"}));
    // The slot column too: category rows carry "0" but still lead when descending.
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 2, false).front().substr(0, 1), "Z");
}

TEST(ListSort, EqualTitlesComeOutInSlotOrderReversedWhenDescending)
{
    const std::vector<ListRow> rows = {disc("Title", 12), disc("title", 3), disc("TITLE", 7)};
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 0, true),
              (std::vector<std::string>{"title#3", "TITLE#7", "Title#12"}));
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 0, false),
              (std::vector<std::string>{"Title#12", "TITLE#7", "title#3"}));
    // Other columns break ties by slot as well.
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 1, true),
              (std::vector<std::string>{"title#3", "TITLE#7", "Title#12"}));
}

TEST(ListSort, SlotsCompareAsNumbersAndEqualSlotsByTitle)
{
    std::vector<ListRow> rows = {disc("b", 10), disc("a", 9), disc("c", 100), disc("a", 10)};
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 2, true),
              (std::vector<std::string>{"a#9", "a#10", "b#10", "c#100"}));
    // A text comparison would put 10 and 100 before 9.
    EXPECT_EQ(order(rows, ListKind::QuickSearch, 2, true).front(), "a#9");
}

TEST(ListSort, AnEmptyCategorySortsBeforeOthersAscending)
{
    const std::vector<ListRow> rows = {disc("x", 1, "Music"), disc("y", 2, ""), disc("z", 3, "Apps")};
    EXPECT_EQ(order(rows, ListKind::CategoryContents, 3, true),
              (std::vector<std::string>{"y#2", "z#3", "x#1"}));
    EXPECT_EQ(order(rows, ListKind::QuickSearch, 3, true).front(), "y#2");
}

TEST(ListSort, OnlyAsciiLettersFoldWhenComparingTexts)
{
    EXPECT_EQ(kavro::CompareFolded("abc", "ABC"), 0);
    EXPECT_LT(kavro::CompareFolded("abc", "abd"), 0);
    EXPECT_LT(kavro::CompareFolded("", "a"), 0);
    // Bytes above 127 are compared as they are, after every ASCII letter.
    EXPECT_GT(kavro::CompareFolded("\xC3\xA9", "z"), 0);
    EXPECT_NE(kavro::CompareFolded("\xC3\xA9", "\xC3\x89"), 0);
}

TEST(ListSort, ColumnNumbersReadLikeDecimalIntegers)
{
    EXPECT_EQ(kavro::ColumnNumber("42"), 42);
    EXPECT_EQ(kavro::ColumnNumber("-1073741824"), -1073741824);
    EXPECT_EQ(kavro::ColumnNumber("<Dir>"), 0);
    EXPECT_EQ(kavro::ColumnNumber("12abc"), 12);
    EXPECT_EQ(kavro::ColumnNumber(""), 0);
    // A runaway column cannot overflow the subtraction.
    EXPECT_GT(kavro::ColumnNumber("99999999999999999999999"), 0);
}

TEST(ListSort, MachineListSortsOnItsSlotColumn)
{
    auto row = [](const std::string& title, int slot) {
        ListRow r;
        r.texts = {title, std::to_string(slot), "Cat"};
        return r;
    };
    std::vector<ListRow> rows = {row("b", 20), row("a", 3), row("c", 100)};
    EXPECT_EQ(kavro::DefaultSortColumn(ListKind::MachineDiscs), 1);
    kavro::SortRows(ListKind::MachineDiscs, rows, 1, true);
    EXPECT_EQ(rows[0].text(0), "a");
    EXPECT_EQ(rows[2].text(0), "c");
}

TEST(ListSort, FoldersLeadTheFilesOnTheSizeColumn)
{
    auto file = [](const std::string& name, const std::string& size, bool folder) {
        ListRow r;
        r.kind = folder ? RowKind::Folder : RowKind::File;
        r.texts = {name, size, ""};
        return r;
    };
    std::vector<ListRow> rows = {file("big", "500", false), file("dir", "<Dir>", true),
                                 file("neg", "-5", false), file("small", "7", false)};
    kavro::SortRows(ListKind::Files, rows, 1, true);
    EXPECT_EQ(rows[0].text(0), "dir");
    EXPECT_EQ(rows[1].text(0), "neg") << "a file of 3 GiB shows a negative size and sorts as one";
    EXPECT_EQ(rows[3].text(0), "big");
    kavro::SortRows(ListKind::Files, rows, 1, false);
    EXPECT_EQ(rows[0].text(0), "big");
    EXPECT_EQ(rows[3].text(0), "dir");
}

TEST(ListSort, TheLogKeepsTheOrderOfItsFile)
{
    EXPECT_FALSE(kavro::SortsOnHeaderClick(ListKind::Log));
    EXPECT_TRUE(kavro::SortsOnHeaderClick(ListKind::Search));
}
