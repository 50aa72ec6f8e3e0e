#pragma once

#include "catalogue/database/DbResult.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace kavro {

class Database;
class Person;
struct DiscTexts;

// The three-byte pieces a text must have in a name pool to be found there, as bit numbers of
// the index's filter. Letters are folded as MatchText folds them; pieces holding a NUL are left
// out (no name holds one). A text shorter than three bytes has none: it is searched by scan.
class GramQuery {
public:
    GramQuery() = default;
    // Every piece of a literal text.
    explicit GramQuery(std::string_view literal);
    // Adds the pieces of one more literal part (the runs between wildcards).
    void addLiteral(std::string_view literal);

    // Whether the query can rule any disc out.
    bool usable() const { return !m_bits.empty(); }
    const std::vector<std::uint32_t>& bits() const { return m_bits; }

private:
    std::vector<std::uint32_t> m_bits;
};

// A filter of the names of every disc's stored tree: per disc row (by rowid), a bitmap of
// kBits bits in which each three-byte piece of its folded TreeData sets one bit. A disc whose
// bitmap lacks a bit of a text's pieces cannot hold the text in any of its names; one that has
// them all may, and is searched as before. The answer of a search is therefore exactly that of
// the full pass.
//
// The bitmaps are kept in the catalogue file, in the table kTable beside the three tables
// (which stay as they are), so that they follow the file through copies, backups and restores.
// Triggers on KAVRO delete a disc's bitmap in the same transaction as any insert, delete,
// rowid change or change of TreeData, whoever makes it (this program, an older version, the
// sqlite3 tool, an import or restore): a bitmap that exists was made from the tree as it is. A
// disc without a bitmap is searched by scan until refresh() makes it one. A file whose triggers
// are gone (dropped, or a table made again) has its bitmaps thrown away and built again.
class NameIndex {
public:
    static constexpr int kBits = 1 << 16;
    static constexpr int kWords = kBits / 64;
    static constexpr const char* kTable = "KavroNameGrams1";
    // Building more discs than this at once shows progress.
    static constexpr int kProgressFrom = 200;

    // Brings the index in step with the file and with rows (the disc table as DiscTextCache
    // holds it, just refreshed): creates the table and its triggers when missing, reads the kept
    // bitmaps after a change it did not see row by row, and builds and stores the bitmaps of the
    // discs that have none (with progress through person when there are many; person may be
    // null). A catalogue that cannot be written keeps the new bitmaps in memory only. Failures
    // leave the index unusable, never wrong: mayHold then answers true.
    DbStatus refresh(Database& db, const std::vector<DiscTexts>& rows, Person* person = nullptr);

    // False only when the disc's bitmap proves that no name of its tree holds the query's text.
    bool mayHold(std::int64_t rowId, const GramQuery& query) const;

    // Bitmaps held (discs that the index can rule out).
    int discCount() const { return static_cast<int>(m_bitmaps.size()); }
    // Discs whose bitmap was built from their tree, and full reads of the kept bitmaps.
    int built() const { return m_built; }
    int tableReads() const { return m_tableReads; }
    // Bytes the kept bitmaps take in the file (for measurements).
    DbResult<std::int64_t> storedBytes(Database& db);
    // Forgets everything held; the next refresh reads the table again.
    void invalidate() { m_valid = false; }

    // The bitmap of one name pool (for tests and measurements).
    static std::vector<std::uint64_t> bitmapOf(std::string_view pool);

private:
    DbStatus ensureSchema(Database& db, bool& rebuilt);
    DbStatus readTable(Database& db);
    // Reads the kept bitmap of one disc; false when the table has none for it.
    bool readOne(Database& db, std::int64_t rowId);
    DbStatus buildMissing(Database& db, const std::vector<DiscTexts>& rows, Person* person);

    // rowid -> bitmap; an empty bitmap: the row has no names at all.
    std::unordered_map<std::int64_t, std::vector<std::uint64_t>> m_bitmaps;
    bool m_valid = false;
    const sqlite3* m_handle = nullptr;
    std::int64_t m_dataVersion = 0;
    std::int64_t m_schemaVersion = 0;
    std::int64_t m_changeStamp = 0;
    std::uint64_t m_rowMark = 0;
    int m_built = 0;
    int m_tableReads = 0;
};

} // namespace kavro
