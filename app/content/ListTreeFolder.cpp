#include "content/ListTreeFolder.h"

#include "content/EntryTimes.h"
#include "platform/Text.h"

namespace kavro {

namespace {

// Number of characters in s, stray bytes counting as one each.
std::size_t characterCount(std::string_view s)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        // The shortest non-empty prefix is the next character.
        std::size_t len = 0;
        for (std::size_t n = 1; len == 0 && n <= 4; ++n)
            len = text::utf8PrefixLength(s.substr(i), n);
        i += len == 0 ? 1 : len;
    }
    return count;
}

} // namespace

std::string extensionColumn(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    const std::string_view ext = name.substr(dot + 1);
    const std::size_t chars = characterCount(ext);
    if (chars < 1 || chars > 4)
        return {};
    return std::string(ext);
}

std::optional<int> resolveRun(const FileTree& tree, const std::vector<std::string>& folderPath)
{
    int start = 1;
    const int count = tree.entryCount();
    for (const std::string& folder : folderPath) {
        const std::string wanted = text::cutUtf8(folder, FolderNameLimit);
        std::optional<int> next;
        for (int i = start; i < count; ++i) {
            const TreeIndexEntry& e = tree.entries[static_cast<std::size_t>(i)];
            if (e.isTerminator())
                break;
            if (tree.hasName(i) && tree.nameAt(i) == wanted) {
                next = e.firstChild;
                break;
            }
        }
        // A folder without a run, or one whose run lies outside the table, lists nothing.
        if (!next || *next < 1 || *next >= count)
            return std::nullopt;
        start = *next;
    }
    return start;
}

FolderListing listRun(const FileTree& tree, int start)
{
    FolderListing listing;
    if (start < 1)
        return listing;
    const int count = tree.entryCount();
    for (int i = start; i < count; ++i) {
        const TreeIndexEntry& e = tree.entries[static_cast<std::size_t>(i)];
        if (e.isTerminator() || !tree.hasName(i))
            break;
        FileListRow row;
        row.entryIndex = i;
        row.name = std::string(tree.nameAt(i));
        row.isFolder = e.isFolder();
        if (row.isFolder) {
            row.sizeText = "<Dir>";
            listing.folderNames.push_back(row.name);
        } else {
            row.sizeText = std::to_string(e.size);
            row.extension = extensionColumn(row.name);
            if (!row.extension.empty())
                row.dateText = entrytime::formatDosDateTime(e.dosDateTime);
        }
        listing.rows.push_back(std::move(row));
    }
    return listing;
}

} // namespace kavro
