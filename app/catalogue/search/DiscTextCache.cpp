#include "catalogue/search/DiscTextCache.h"

#include "catalogue/database/CatalogueSchema.h"
#include "catalogue/database/Database.h"
#include "catalogue/records/Misc1Text.h"
#include "catalogue/database/SqliteColumns.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <algorithm>

namespace kavro {

namespace {

struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
};

// The searches read every stored tree's name pool, which lies behind the tree's entry table
// in the file; reaching it through read calls copies each page of the table on the way.
// Mapped reads only touch those pages. SQLite caps the size at its own limit.
void enableMappedReads(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA mmap_size", -1, &stmt, nullptr) != SQLITE_OK)
        return;
    const bool unset = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int64(stmt, 0) == 0;
    sqlite3_finalize(stmt);
    if (unset)
        sqlite3_exec(db, "PRAGMA mmap_size=1099511627776", nullptr, nullptr, nullptr);
}

constexpr const char* kColumns =
    "rowid, MachineNo, Slot, TitleA, Barcode, Misc1, Remark, Category, Devicetype, TreeIndexS, TreeDataS";

// One row of kColumns, through the same conversions as DiscCursor, so that every value reads as
// it does there.
DiscTexts readRow(sqlite3_stmt* stmt)
{
    DiscTexts d;
    d.rowId = sqlite3_column_int64(stmt, 0);
    d.machine = columns::read(stmt, 1).asInt();
    d.slot = columns::read(stmt, 2).asInt();
    d.title = text::trimSpaces(columns::read(stmt, 3).asText());
    d.barcode = text::trimSpaces(columns::read(stmt, 4).asText());
    Misc1Fields misc = ParseMisc1(columns::read(stmt, 5).asText());
    if (misc.title)
        d.title = std::move(*misc.title);
    if (misc.barcode)
        d.barcode = std::move(*misc.barcode);
    d.other = std::move(misc.other);
    d.remark = columns::read(stmt, 6).asText();
    d.categoryId = columns::read(stmt, 7).asInt();
    d.deviceType = text::trimSpaces(columns::read(stmt, 8).asText());
    d.indexCount = columns::read(stmt, 9).asInt();
    d.dataCount = columns::read(stmt, 10).asInt();
    return d;
}

} // namespace

DbStatus DiscTextCache::refresh(Database& db)
{
    sqlite3* handle = db.handle();
    if (!handle)
        return DbStatus::failure("The catalogue is not open.");
    if (handle != m_handle) {
        enableMappedReads(handle);
        m_valid = false;
    }
    db.watchRows(schema::kKavro);
    // While this statement stands on the table it holds a read transaction, so the data version
    // has seen every commit of other connections.
    auto probe = db.prepare("SELECT 1 FROM KAVRO LIMIT 1");
    if (!probe)
        return probe.status();
    Finalize done{*probe};
    const int rc = sqlite3_step(*probe);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return DbStatus::failure(db.errorText("Cannot read the disc table"));
    // Changes only when another connection committed; this connection's own changes show in
    // its change stamp and its list of changed rows.
    std::int64_t version = 0;
    bool versioned = false;
    if (auto pragma = db.prepare("PRAGMA data_version")) {
        Finalize read{*pragma};
        versioned = sqlite3_step(*pragma) == SQLITE_ROW;
        version = sqlite3_column_int64(*pragma, 0);
    }
    const std::int64_t stamp = db.changeStamp();
    // Changes through this connection are known row by row; a reopened connection, a rollback
    // or a commit by another connection leave no usable list.
    const auto changed = db.changedRowsSince(m_rowMark);
    if (m_valid && versioned && handle == m_handle && version == m_dataVersion && changed) {
        if (stamp == m_changeStamp && changed->empty())
            return {};
        if (readChangedRows(db, *changed)) {
            m_changeStamp = stamp;
            m_rowMark = db.rowChangeMark();
            return {};
        }
    }
    m_valid = false;
    if (auto s = readTable(db); !s)
        return s;
    m_handle = handle;
    m_dataVersion = version;
    m_changeStamp = stamp;
    m_rowMark = db.rowChangeMark();
    m_valid = versioned;
    return {};
}

bool DiscTextCache::readChangedRows(Database& db, std::span<const std::int64_t> changed)
{
    std::vector<std::int64_t> ids(changed.begin(), changed.end());
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // Past a point one pass over the table costs less than the lookups.
    if (ids.size() > m_rows.size() / 8 + 16)
        return false;
    m_valid = false;
    if (!ids.empty()) {
        auto prepared = db.prepare(std::string("SELECT ") + kColumns + " FROM KAVRO WHERE rowid = ?1");
        if (!prepared)
            return false;
        Finalize done{*prepared};
        for (const std::int64_t id : ids) {
            sqlite3_bind_int64(*prepared, 1, id);
            const int rc = sqlite3_step(*prepared);
            const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), id,
                                             [](const DiscTexts& d, std::int64_t r) { return d.rowId < r; });
            const bool held = at != m_rows.end() && at->rowId == id;
            if (rc == SQLITE_ROW) {
                ++m_rowReads;
                if (held)
                    *at = readRow(*prepared);
                else
                    m_rows.insert(at, readRow(*prepared));
            } else if (rc == SQLITE_DONE) {
                if (held)
                    m_rows.erase(at);
            } else {
                return false;
            }
            sqlite3_reset(*prepared);
        }
    }
    // Rows can leave without a report (a bare DELETE, a changed rowid): the count tells.
    auto counted = db.prepare("SELECT count(*) FROM KAVRO");
    if (!counted)
        return false;
    Finalize done{*counted};
    if (sqlite3_step(*counted) != SQLITE_ROW ||
        sqlite3_column_int64(*counted, 0) != static_cast<std::int64_t>(m_rows.size()))
        return false;
    m_valid = true;
    return true;
}

DbStatus DiscTextCache::readTable(Database& db)
{
    auto prepared = db.prepare(std::string("SELECT ") + kColumns + " FROM KAVRO ORDER BY rowid");
    if (!prepared)
        return prepared.status();
    sqlite3_stmt* stmt = *prepared;
    Finalize done{stmt};
    ++m_tableReads;
    std::vector<DiscTexts> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        rows.push_back(readRow(stmt));
    if (rc != SQLITE_DONE)
        return DbStatus::failure(db.errorText("Cannot read the disc table"));
    m_rows = std::move(rows);
    return {};
}

} // namespace kavro
