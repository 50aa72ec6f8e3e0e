#pragma once

#include "content/FileTree.h"

#include <optional>
#include <string>
#include <vector>

// Browsing a stored tree: a navigation path to a run, and a run to the rows of the file list.
namespace kavro {

// A folder node's name is compared after cutting it to this many bytes.
constexpr std::size_t FolderNameLimit = 299;

struct FileListRow {
    int entryIndex = 0;
    std::string name;
    bool isFolder = false;
    std::string sizeText;                // "<Dir>" for a folder, else the signed low 32 bits
    std::string extension;               // 1 to 4 characters after the last ".", else empty
    std::optional<std::string> dateText; // only for a file with an extension
};

struct FolderListing {
    std::vector<FileListRow> rows;        // in table order; the view sorts them
    std::vector<std::string> folderNames; // child nodes to add when the node has none yet
};

// The start of the run that a path of folder names below a disc node leads to; the empty path
// is the disc node itself (start 1). nullopt when a name is not found in its run or leads to a
// folder without a run (first child below 1 or past the table).
std::optional<int> resolveRun(const FileTree& tree, const std::vector<std::string>& folderPath);

// The rows of the run starting at start, up to its terminator, the end of the table, or the
// first entry whose name cannot be read. A start below 1 lists nothing.
FolderListing listRun(const FileTree& tree, int start);

// The extension column of a name: the part after the last "." when it is 1 to 4 characters.
std::string extensionColumn(std::string_view name);

} // namespace kavro
