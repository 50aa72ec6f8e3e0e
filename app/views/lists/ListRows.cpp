#include "views/lists/ListRows.h"

#include "catalogue/records/CategoryTree.h"
#include "changer/RetrieveLog.h"
#include "content/ListTreeFolder.h"
#include "platform/Text.h"
#include "views/lists/DiscList.h"

namespace kavro {

namespace {

std::string machineNameOf(const RowLookups& lookups, int machine)
{
    return lookups.machineName ? lookups.machineName(machine) : std::to_string(machine);
}

void markDrive(ListRow& row, const RowLookups& lookups, int machine, const std::string& deviceType)
{
    row.red = lookups.isDriveMachine && lookups.isDriveMachine(machine, deviceType);
    row.icon = row.red ? RowIcon::DriveDisc : RowIcon::Disc;
}

ListRow categoryRow(const TreeNode& category)
{
    ListRow row;
    row.kind = RowKind::Category;
    row.texts = {category.text, "<category>", "0", ""};
    row.icon = RowIcon::Category;
    row.categoryEntry = category.entry;
    return row;
}

ListRow discRow(const TreeNode& disc, const std::string& categoryName, const DiscList& discs,
                const RowLookups& lookups)
{
    ListRow row;
    row.kind = RowKind::Disc;
    row.machine = disc.machine;
    row.slot = disc.slot;
    row.discEntry = disc.entry;
    row.texts = {disc.text, machineNameOf(lookups, disc.machine), std::to_string(disc.slot), categoryName};
    const std::string deviceType = discs.valid(disc.entry) ? discs[disc.entry].deviceType : std::string();
    markDrive(row, lookups, disc.machine, deviceType);
    return row;
}

// Every disc below node in pre-order; folder nodes below the discs are not entered.
void collectDiscs(const TreeNode& node, DiscList& discs, const RowLookups& lookups,
                  std::vector<ListRow>& rows)
{
    for (const auto& child : node.children()) {
        if (child->isDisc()) {
            rows.push_back(discRow(*child, node.text, discs, lookups));
            if (discs.valid(child->entry))
                discs[child->entry].categoryName = text::trimSpaces(node.text);
        } else if (child->isCategory()) {
            collectDiscs(*child, discs, lookups, rows);
        }
    }
}

} // namespace

bool IsDriveMachineDisc(std::string_view registryModel, std::string_view deviceType,
                        std::string_view defaultModel)
{
    if (!registryModel.empty())
        return registryModel == defaultModel;
    return deviceType == defaultModel;
}

std::vector<ListRow> CategoryContentsRows(const TreeNode& node, DiscList& discs, const RowLookups& lookups)
{
    std::vector<ListRow> rows;
    if (node.top == TopNode::CategoryRoot) {
        collectDiscs(node, discs, lookups, rows);
        return rows;
    }
    for (const auto& child : node.children()) {
        if (child->isCategory())
            rows.push_back(categoryRow(*child));
        else if (child->isDisc())
            rows.push_back(discRow(*child, node.text, discs, lookups));
    }
    return rows;
}

std::vector<ListRow> MachineDiscRows(int machine, const DiscList& discs, const RowLookups& lookups)
{
    std::vector<ListRow> rows;
    for (const int index : discs.discsOfMachine(machine)) {
        const DiscEntry& entry = discs[index];
        ListRow row;
        row.kind = RowKind::Disc;
        row.machine = entry.machine;
        row.slot = entry.slot;
        row.discEntry = index;
        row.texts = {entry.node->text, std::to_string(entry.slot), text::trimSpaces(entry.categoryName)};
        markDrive(row, lookups, entry.machine, entry.deviceType);
        rows.push_back(std::move(row));
    }
    return rows;
}

ListRow SearchResultRow(int resultEntry, int machine, int slot, const std::string& title,
                        const std::string& categoryName, const std::string& deviceType,
                        const RowLookups& lookups)
{
    ListRow row;
    row.kind = RowKind::Result;
    row.machine = machine;
    row.slot = slot;
    row.resultEntry = resultEntry;
    row.texts = {title, machineNameOf(lookups, machine), std::to_string(slot),
                 text::trimSpaces(categoryName)};
    markDrive(row, lookups, machine, deviceType);
    return row;
}

std::vector<ListRow> LogRows(const std::vector<RetrieveLogRow>& records)
{
    std::vector<ListRow> rows;
    rows.reserve(records.size());
    for (const RetrieveLogRow& record : records) {
        ListRow row;
        row.kind = RowKind::Log;
        row.texts = {record.title,  record.machineName, record.slot,
                     record.access, record.reason,      record.dateTime};
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ListRow> FileRows(const FolderListing& listing)
{
    std::vector<ListRow> rows;
    rows.reserve(listing.rows.size());
    for (const FileListRow& file : listing.rows) {
        ListRow row;
        row.kind = file.isFolder ? RowKind::Folder : RowKind::File;
        row.treeEntry = file.entryIndex;
        row.icon = file.isFolder ? RowIcon::Folder : RowIcon::File;
        row.texts = {file.name, file.sizeText, file.isFolder ? std::string() : file.extension};
        if (file.dateText)
            row.texts.push_back(*file.dateText);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace kavro
