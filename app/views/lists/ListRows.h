#pragma once

#include "views/lists/ListRow.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class DiscList;
class TreeNode;
struct FolderListing;
struct RetrieveLogRow;

// What the row builders ask of the program: a machine's name (its number when it is not
// registered) and whether a disc's machine has a built-in drive.
struct RowLookups {
    std::function<std::string(int machine)> machineName;
    std::function<bool(int machine, const std::string& deviceType)> isDriveMachine;
};

// Whether a disc belongs to a machine with a built-in drive: the registry's model of the machine
// when it knows one, else the type string the disc's row was written with.
bool IsDriveMachineDisc(std::string_view registryModel, std::string_view deviceType,
                        std::string_view defaultModel);

// ListView2 for a category node: its sub-categories (machine column "<category>", slot "0", no
// category) and its discs (machine name, slot, the category's name), in tree order. For
// CategoryRoot: every disc of the tree in pre-order, no category rows; each disc's entry takes
// its category's trimmed name.
std::vector<ListRow> CategoryContentsRows(const TreeNode& node, DiscList& discs, const RowLookups& lookups);

// ListView5: the discs of one machine (title, slot, category name), in table order.
std::vector<ListRow> MachineDiscRows(int machine, const DiscList& discs, const RowLookups& lookups);

// A row of the search lists (ListView4, SearchView): title, machine name, slot, category name
// (trimmed), pointing at a ResultRowList entry.
ListRow SearchResultRow(int resultEntry, int machine, int slot, const std::string& title,
                        const std::string& categoryName, const std::string& deviceType,
                        const RowLookups& lookups);

// ListView3: one row per take-out record, in the order of the log.
std::vector<ListRow> LogRows(const std::vector<RetrieveLogRow>& records);

// ListView1: the entries of one run of the current file tree. A file's date, when it has one,
// follows the three columns as a fourth text.
std::vector<ListRow> FileRows(const FolderListing& listing);

} // namespace kavro
