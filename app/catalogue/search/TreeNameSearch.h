#pragma once

#include "catalogue/search/MatchText.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_blob;

namespace kavro {

// Looks for a pattern in the names of disc rows' stored trees, reading the TreeData and
// TreeIndex blocks straight from the catalogue file into buffers of its own (the current file
// tree is not touched). The answer is that of walking every entry of the tree as LoadDiscTree
// would load it, skipping terminators, and testing the name of each entry the criteria admit:
// the name pool is scanned first, and only a tree whose pool holds the pattern has its entry
// table read, up to the first entry that hits.
class TreeNameSearch {
public:
    // files: test entries that are not folders; folders: test folders.
    TreeNameSearch(sqlite3* db, const FoldedPattern& pattern, bool files, bool folders);
    ~TreeNameSearch();
    TreeNameSearch(const TreeNameSearch&) = delete;
    TreeNameSearch& operator=(const TreeNameSearch&) = delete;

    // Whether the tree of the row (with its TreeIndexS and TreeDataS) has a tested entry whose
    // name contains the pattern. A tree whose blocks are shorter than their counts is no tree.
    bool hits(std::int64_t rowId, int indexCount, int dataCount);

    // Trees whose entry table had to be read (for measurements).
    int indexReads() const { return m_indexReads; }

private:
    // Opens or moves the handle to the row's column; false when the row holds no text or blob there.
    bool seek(sqlite3_blob*& blob, const char* column, std::int64_t rowId);
    // Pool offsets [first, last] at which a name sees an occurrence, from the folded pool: made
    // as far as the entries' offsets ask, since most trees that hit do so with an early entry.
    void startSpans();
    // Makes the spans of every occurrence before the name that holds offset.
    void extendSpans(std::int64_t offset);
    bool offsetHits(std::int32_t offset);

    sqlite3* m_db;
    const FoldedPattern& m_pattern;
    bool m_files;
    bool m_folders;
    sqlite3_blob* m_indexBlob = nullptr;
    sqlite3_blob* m_dataBlob = nullptr;
    std::string m_pool;
    std::string m_chunk;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_spans;
    std::size_t m_nextOccurrence = 0; // npos once every occurrence has its span
    std::int64_t m_spansReach = -1;   // the NUL that ends the last span made
    int m_indexReads = 0;
};

} // namespace kavro
