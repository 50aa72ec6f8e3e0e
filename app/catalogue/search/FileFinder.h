#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/MatchText.h"
#include "catalogue/search/NameIndex.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3_blob;

namespace kavro {

class Catalogue;
class DiscTextCache;
class SearchScope;

// A name test of Find files: the substring rule of MatchText, or, when the text holds * or ?,
// a wildcard pattern that the whole name must match (* any run of bytes, ? any one byte), the
// letters a to z folded as MatchText folds them.
class NameMatcher {
public:
    explicit NameMatcher(std::string_view text);
    bool wildcard() const { return m_wildcard; }
    bool empty() const { return m_pattern.empty(); }
    bool matches(std::string_view name) const;
    // Whether a folded name pool may hold a matching name (every literal part is in it).
    bool poolMayHold(std::string_view foldedPool) const;
    // The index's pieces of the literal parts.
    const GramQuery& grams() const { return m_grams; }

private:
    std::string m_pattern; // folded
    bool m_wildcard = false;
    std::vector<FoldedPattern> m_parts; // literal runs between wildcards
    GramQuery m_grams;
};

// What Find files looks for.
struct FileQuery {
    enum class Kind { Any, Files, Folders };
    std::string text;
    Kind kind = Kind::Any;
    std::optional<std::int64_t> minSize; // bytes, files only
    std::optional<std::int64_t> maxSize;
    // MS-DOS dates (the high 16 bits of an entry's dosDateTime), inclusive; an entry of unknown
    // date (0) passes no date bound.
    std::optional<std::uint16_t> fromDate;
    std::optional<std::uint16_t> toDate;
};

// The MS-DOS date of a calendar day.
std::uint16_t DosDate(int year, int month, int day);

// The disc a hit is on.
struct FoundDisc {
    std::int64_t rowId = 0;
    int machine = 0;
    int slot = 0;
    std::string title;
    std::string machineName;
    std::string deviceType;
};

// One matching file or folder.
struct FileHit {
    int disc = 0;             // index into FileFinder::discs()
    int entry = 0;            // entry index in the disc's stored tree
    std::string name;
    std::string folder;       // the folders above it inside the disc, "\a\b"; "" at the top
    std::int64_t size = 0;    // 64 bits from the find record's high half and the entry's size
    std::uint32_t dosDateTime = 0;
    bool isFolder = false;

    std::string path() const { return folder + "\\" + name; }
    // The folders above it, top first.
    std::vector<std::string> folderNames() const;
};

// Every file and folder on every disc in the scope whose name matches, in table order and entry
// order, found a few discs at a time so that a window can show the first rows at once. With a
// name index only discs that may hold the text have their trees read.
class FileFinder {
public:
    // Hits kept for showing; beyond them matches are counted only.
    static constexpr int kKeptHits = 200000;

    FileFinder(Catalogue& catalogue, DiscTextCache& cache, NameIndex* index = nullptr);
    ~FileFinder();
    FileFinder(const FileFinder&) = delete;
    FileFinder& operator=(const FileFinder&) = delete;

    // Starts a new search; scope nullptr: every disc. An empty text finds nothing.
    DbStatus start(const FileQuery& query, const SearchScope* scope = nullptr);
    // Reads further discs until at least wantRows more hits are kept, maxTrees further trees were
    // read, or every disc was looked at.
    DbStatus fetch(int wantRows, int maxTrees = 1 << 30);
    bool done() const { return m_next >= m_todo.size(); }

    const std::vector<FileHit>& hits() const { return m_hits; }
    const std::vector<FoundDisc>& discs() const { return m_discs; }
    // Every match so far, the kept ones and those past kKeptHits.
    std::int64_t matchCount() const { return m_matches; }
    int treesRead() const { return m_treesRead; }
    int discsSkipped() const { return m_skipped; }

private:
    // Tests every entry of the disc's stored tree (pool: its TreeData, dataCount bytes).
    void searchTree(const DiscTexts& disc, std::string_view pool, int discIndex);
    // Opens or moves the handle on the row's entry table; false when the row has none.
    bool openEntries(std::int64_t rowId);

    Catalogue& m_catalogue;
    DiscTextCache& m_cache;
    NameIndex* m_index;
    FileQuery m_query;
    std::optional<NameMatcher> m_matcher;
    const SearchScope* m_scope = nullptr;
    bool m_indexed = false;
    std::vector<DiscTexts> m_todo; // the discs in the scope with a tree, in table order
    std::size_t m_next = 0;
    std::vector<FoundDisc> m_discs;
    std::vector<FileHit> m_hits;
    std::int64_t m_matches = 0;
    int m_treesRead = 0;
    int m_skipped = 0;
    std::string m_pool;
    sqlite3_blob* m_entryBlob = nullptr;
    std::string m_chunk;
    std::vector<std::pair<std::int32_t, std::int32_t>> m_links; // parent, name offset
};

} // namespace kavro
