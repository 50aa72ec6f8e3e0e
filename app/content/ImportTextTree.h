#pragma once

#include "content/FileTree.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace kavro {

struct TextTreeLimits {
    int maxEntries = FileTree::MaxEntries;
    int maxPoolBytes = FileTree::MaxPoolBytes;
};

struct TextTreeImport {
    bool ok = false;        // false only when the file could not be read
    bool truncated = false; // a capacity was reached: the tree holds the lines that fitted
    FileTree tree;          // no entries for a file without any named line
    std::string error;
};

// Longest line read, in bytes; the rest of a longer line is dropped.
constexpr std::size_t TextTreeLineLimit = 998;

// Converts an older catalogue's indented text tree (one item a line, one leading tab per level,
// the first line the root) to the stored breadth-first form. The text is read as UTF-8, or
// line by line as Big5 when the file is not UTF-8.
//
// A line more than one level deeper than the line before it goes one level deeper, under the
// previous item; a line after the first without tabs goes under the root. Blank lines are
// skipped. At a capacity the reading stops and every open run is closed.
TextTreeImport ImportTextTree(const std::filesystem::path& path, const TextTreeLimits& limits = {});

// The same conversion from the file's bytes.
TextTreeImport convertTextTree(std::string_view content, const TextTreeLimits& limits = {});

} // namespace kavro
