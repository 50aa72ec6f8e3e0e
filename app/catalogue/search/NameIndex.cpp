#include "catalogue/search/NameIndex.h"

#include "catalogue/database/CatalogueSchema.h"
#include "catalogue/database/Database.h"
#include "catalogue/database/Transaction.h"
#include "catalogue/search/DiscTextCache.h"
#include "catalogue/search/MatchText.h"
#include "platform/Person.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace kavro {

namespace {

struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
};

inline std::uint32_t gramBit(unsigned char a, unsigned char b, unsigned char c)
{
    const std::uint32_t piece = static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b) << 8 |
                                static_cast<std::uint32_t>(c) << 16;
    // Fibonacci hashing: the top 16 bits of the product.
    return (piece * 2654435761u) >> 16;
}

static_assert(NameIndex::kBits == 1 << 16, "gramBit gives 16 bits");

// The table and the triggers that keep it honest, exactly as kept in sqlite_master.
const std::string kCreateTable =
    std::string("CREATE TABLE ") + NameIndex::kTable + " (disc INTEGER PRIMARY KEY, grams BLOB NOT NULL)";
struct Trigger {
    std::string name;
    std::string sql;
};
const std::vector<Trigger>& triggers()
{
    static const std::vector<Trigger> list = [] {
        const std::string t = NameIndex::kTable;
        return std::vector<Trigger>{
            {t + "_insert", "CREATE TRIGGER " + t + "_insert AFTER INSERT ON KAVRO BEGIN DELETE FROM " + t +
                                " WHERE disc = NEW.rowid; END"},
            {t + "_update", "CREATE TRIGGER " + t +
                                "_update AFTER UPDATE ON KAVRO WHEN OLD.rowid IS NOT NEW.rowid OR OLD.TreeData IS "
                                "NOT NEW.TreeData BEGIN DELETE FROM " +
                                t + " WHERE disc IN (OLD.rowid, NEW.rowid); END"},
            {t + "_delete", "CREATE TRIGGER " + t + "_delete AFTER DELETE ON KAVRO BEGIN DELETE FROM " + t +
                                " WHERE disc = OLD.rowid; END"},
        };
    }();
    return list;
}

std::int64_t pragmaValue(Database& db, const char* pragma)
{
    auto stmt = db.prepare(pragma);
    if (!stmt)
        return -1;
    Finalize done{*stmt};
    return sqlite3_step(*stmt) == SQLITE_ROW ? sqlite3_column_int64(*stmt, 0) : -1;
}

} // namespace

GramQuery::GramQuery(std::string_view literal)
{
    addLiteral(literal);
}

void GramQuery::addLiteral(std::string_view literal)
{
    std::string folded(literal);
    FoldLettersInPlace(folded.data(), folded.size());
    const auto* p = reinterpret_cast<const unsigned char*>(folded.data());
    for (std::size_t i = 0; i + 2 < folded.size(); ++i) {
        if (p[i] == 0 || p[i + 1] == 0 || p[i + 2] == 0)
            continue;
        m_bits.push_back(gramBit(p[i], p[i + 1], p[i + 2]));
    }
    std::sort(m_bits.begin(), m_bits.end());
    m_bits.erase(std::unique(m_bits.begin(), m_bits.end()), m_bits.end());
}

std::vector<std::uint64_t> NameIndex::bitmapOf(std::string_view pool)
{
    std::vector<std::uint64_t> bits(kWords, 0);
    std::string folded(pool);
    FoldLettersInPlace(folded.data(), folded.size());
    const auto* p = reinterpret_cast<const unsigned char*>(folded.data());
    const std::size_t n = folded.size();
    for (std::size_t i = 0; i + 2 < n; ++i) {
        if (p[i + 2] == 0) {
            i += 2; // the next two pieces hold this NUL too
            continue;
        }
        if (p[i] == 0 || p[i + 1] == 0)
            continue;
        const std::uint32_t bit = gramBit(p[i], p[i + 1], p[i + 2]);
        bits[bit >> 6] |= std::uint64_t{1} << (bit & 63);
    }
    return bits;
}

bool NameIndex::mayHold(std::int64_t rowId, const GramQuery& query) const
{
    if (!m_valid || !query.usable())
        return true;
    const auto it = m_bitmaps.find(rowId);
    if (it == m_bitmaps.end())
        return true;
    const std::vector<std::uint64_t>& bits = it->second;
    if (bits.empty())
        return false; // no names at all
    for (const std::uint32_t bit : query.bits())
        if ((bits[bit >> 6] & (std::uint64_t{1} << (bit & 63))) == 0)
            return false;
    return true;
}

DbStatus NameIndex::ensureSchema(Database& db, bool& rebuilt)
{
    rebuilt = false;
    auto stmt = db.prepare("SELECT type, name, sql FROM sqlite_master WHERE tbl_name = ?1 OR "
                           "(type = 'trigger' AND name LIKE ?2)");
    if (!stmt)
        return stmt.status();
    std::unordered_map<std::string, std::string> found;
    {
        Finalize done{*stmt};
        const std::string pattern = std::string(kTable) + "\\_%";
        sqlite3_bind_text(*stmt, 1, kTable, -1, SQLITE_STATIC);
        sqlite3_bind_text(*stmt, 2, pattern.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(*stmt) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(*stmt, 1));
            const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(*stmt, 2));
            if (name)
                found[name] = sql ? sql : "";
        }
    }
    // Triggers match by name; LIKE takes "_" as any character, so names are compared exactly.
    bool whole = found.count(kTable) && found[kTable] == kCreateTable;
    for (const Trigger& t : triggers())
        whole = whole && found.count(t.name) && found[t.name] == t.sql;
    // Triggers on KAVRO live and die with it: a table made again has none, and every bitmap kept
    // from before may describe another tree.
    if (whole)
        return {};
    rebuilt = true;
    m_bitmaps.clear();
    return runInTransaction(db, [&]() -> DbStatus {
        for (const Trigger& t : triggers())
            if (auto s = db.exec("DROP TRIGGER IF EXISTS " + t.name); !s)
                return s;
        if (auto s = db.exec(std::string("DROP TABLE IF EXISTS ") + kTable); !s)
            return s;
        if (auto s = db.exec(kCreateTable); !s)
            return s;
        for (const Trigger& t : triggers())
            if (auto s = db.exec(t.sql); !s)
                return s;
        return {};
    });
}

DbStatus NameIndex::readTable(Database& db)
{
    m_bitmaps.clear();
    auto stmt = db.prepare(std::string("SELECT disc, grams FROM ") + kTable);
    if (!stmt)
        return stmt.status();
    Finalize done{*stmt};
    ++m_tableReads;
    int rc;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        const auto* data = static_cast<const std::uint64_t*>(sqlite3_column_blob(*stmt, 1));
        const int bytes = sqlite3_column_bytes(*stmt, 1);
        std::vector<std::uint64_t> bits;
        if (bytes == kBits / 8)
            bits.assign(data, data + kWords);
        else if (bytes != 0)
            continue; // not a bitmap of this format: built again
        m_bitmaps[sqlite3_column_int64(*stmt, 0)] = std::move(bits);
    }
    if (rc != SQLITE_DONE) {
        m_bitmaps.clear();
        return DbStatus::failure(db.errorText("Cannot read the name index"));
    }
    return {};
}

bool NameIndex::readOne(Database& db, std::int64_t rowId)
{
    auto stmt = db.prepare(std::string("SELECT grams FROM ") + kTable + " WHERE disc = ?1");
    if (!stmt)
        return false;
    Finalize done{*stmt};
    sqlite3_bind_int64(*stmt, 1, rowId);
    if (sqlite3_step(*stmt) != SQLITE_ROW)
        return false;
    const auto* data = static_cast<const std::uint64_t*>(sqlite3_column_blob(*stmt, 0));
    const int bytes = sqlite3_column_bytes(*stmt, 0);
    if (bytes == kBits / 8)
        m_bitmaps[rowId].assign(data, data + kWords);
    else if (bytes == 0)
        m_bitmaps[rowId].clear();
    else
        return false;
    return true;
}

DbStatus NameIndex::buildMissing(Database& db, const std::vector<DiscTexts>& rows, Person* person)
{
    std::vector<std::int64_t> missing;
    for (const DiscTexts& d : rows)
        if (!m_bitmaps.count(d.rowId))
            missing.push_back(d.rowId);
    if (missing.empty())
        return {};
    const bool showProgress = person && static_cast<int>(missing.size()) >= kProgressFrom;
    const int total = static_cast<int>(missing.size());
    auto read = db.prepare("SELECT TreeData FROM KAVRO WHERE rowid = ?1");
    if (!read)
        return read.status();
    Finalize doneRead{*read};
    auto write = db.prepare(std::string("INSERT OR REPLACE INTO ") + kTable + " (disc, grams) VALUES (?1, ?2)");
    // Without a writable table the bitmaps are kept in memory only.
    sqlite3_stmt* store = write ? *write : nullptr;
    Finalize doneWrite{store};
    std::optional<Transaction> transaction;
    if (store)
        transaction.emplace(db);
    bool storing = store && transaction->began().ok();
    for (int i = 0; i < total; ++i) {
        const std::int64_t rowId = missing[static_cast<std::size_t>(i)];
        if (showProgress && i % 50 == 0)
            person->progress(i, total, "Indexing the names of the discs");
        sqlite3_bind_int64(*read, 1, rowId);
        const int rc = sqlite3_step(*read);
        if (rc == SQLITE_ROW) {
            std::vector<std::uint64_t> bits;
            if (sqlite3_column_type(*read, 0) != SQLITE_NULL) {
                const auto* data = static_cast<const char*>(sqlite3_column_blob(*read, 0));
                const int bytes = sqlite3_column_bytes(*read, 0);
                if (bytes > 0)
                    bits = bitmapOf(std::string_view(data, static_cast<std::size_t>(bytes)));
            }
            if (storing) {
                sqlite3_bind_int64(store, 1, rowId);
                if (bits.empty())
                    sqlite3_bind_zeroblob(store, 2, 0);
                else
                    sqlite3_bind_blob(store, 2, bits.data(), kBits / 8, SQLITE_STATIC);
                storing = sqlite3_step(store) == SQLITE_DONE;
                sqlite3_reset(store);
            }
            m_bitmaps[rowId] = std::move(bits);
            ++m_built;
        } else if (rc != SQLITE_DONE) {
            sqlite3_reset(*read);
            if (showProgress)
                person->progress(0, 0, {});
            return DbStatus::failure(db.errorText("Cannot read a stored tree"));
        }
        sqlite3_reset(*read);
    }
    if (showProgress)
        person->progress(0, 0, {});
    if (storing)
        (void)transaction->commit();
    return {};
}

DbStatus NameIndex::refresh(Database& db, const std::vector<DiscTexts>& rows, Person* person)
{
    sqlite3* handle = db.handle();
    if (!handle)
        return DbStatus::failure("The catalogue is not open.");
    db.watchRows(schema::kKavro);
    std::int64_t version = 0;
    {
        // Inside a read transaction the data version has seen every commit of other connections.
        auto probe = db.prepare("SELECT 1 FROM KAVRO LIMIT 1");
        if (!probe)
            return probe.status();
        Finalize done{*probe};
        const int rc = sqlite3_step(*probe);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return DbStatus::failure(db.errorText("Cannot read the disc table"));
        version = pragmaValue(db, "PRAGMA data_version");
    }
    // The schema changes under this connection too (a table dropped, triggers made).
    const std::int64_t schemaVersion = pragmaValue(db, "PRAGMA schema_version");
    const auto changed = db.changedRowsSince(m_rowMark);
    const bool seenEverything = m_valid && handle == m_handle && version == m_dataVersion &&
                                schemaVersion == m_schemaVersion && changed;
    if (seenEverything && changed->empty() && db.changeStamp() == m_changeStamp)
        return {};
    m_valid = false;
    if (seenEverything) {
        // This connection's own changes: a bitmap the triggers left still describes its tree.
        std::unordered_set<std::int64_t> ids(changed->begin(), changed->end());
        for (const std::int64_t id : ids) {
            m_bitmaps.erase(id);
            (void)readOne(db, id);
        }
    } else {
        bool rebuilt = false;
        if (auto s = ensureSchema(db, rebuilt); !s) {
            // No table: bitmaps in memory, made again after any change not seen row by row.
            m_bitmaps.clear();
        } else if (auto r = readTable(db); !r) {
            return r;
        }
    }
    // Bitmaps of rows that left.
    if (m_bitmaps.size() > rows.size()) {
        std::unordered_set<std::int64_t> present;
        for (const DiscTexts& d : rows)
            present.insert(d.rowId);
        std::erase_if(m_bitmaps, [&](const auto& kv) { return !present.count(kv.first); });
    }
    if (auto s = buildMissing(db, rows, person); !s)
        return s;
    m_handle = handle;
    m_dataVersion = version;
    m_schemaVersion = pragmaValue(db, "PRAGMA schema_version");
    m_changeStamp = db.changeStamp();
    m_rowMark = db.rowChangeMark();
    m_valid = true;
    return {};
}

DbResult<std::int64_t> NameIndex::storedBytes(Database& db)
{
    auto stmt = db.prepare(std::string("SELECT coalesce(sum(length(grams)), 0) FROM ") + kTable);
    if (!stmt)
        return stmt.status();
    Finalize done{*stmt};
    if (sqlite3_step(*stmt) != SQLITE_ROW)
        return DbStatus::failure(db.errorText("Cannot read the name index"));
    return static_cast<std::int64_t>(sqlite3_column_int64(*stmt, 0));
}

} // namespace kavro
