#include "catalogue/DiscTextCache.h"

#include "catalogue/Database.h"
#include "catalogue/Misc1Text.h"
#include "catalogue/SqliteColumns.h"
#include "platform/Text.h"

#include <sqlite3.h>

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
    // While this statement stands on the table it holds a read transaction, so the data version
    // has seen every commit of other connections.
    auto probe = db.prepare("SELECT 1 FROM KAVRO LIMIT 1");
    if (!probe)
        return probe.status();
    Finalize done{*probe};
    const int rc = sqlite3_step(*probe);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return DbStatus::failure(db.errorText("Cannot read the disc table"));
    unsigned int version = 0;
    const bool versioned =
        sqlite3_file_control(handle, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
    const std::int64_t stamp = db.changeStamp();
    if (m_valid && versioned && handle == m_handle && version == m_dataVersion && stamp == m_changeStamp)
        return {};
    m_valid = false;
    if (auto s = readTable(db); !s)
        return s;
    m_handle = handle;
    m_dataVersion = version;
    m_changeStamp = stamp;
    m_valid = versioned;
    return {};
}

DbStatus DiscTextCache::readTable(Database& db)
{
    auto prepared = db.prepare("SELECT rowid, MachineNo, Slot, TitleA, Barcode, Misc1, Remark, Category, "
                               "Devicetype, TreeIndexS, TreeDataS FROM KAVRO ORDER BY rowid");
    if (!prepared)
        return prepared.status();
    sqlite3_stmt* stmt = *prepared;
    Finalize done{stmt};
    ++m_tableReads;
    std::vector<DiscTexts> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        // Through the same conversions as DiscCursor, so that every value reads as it does there.
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
        rows.push_back(std::move(d));
    }
    if (rc != SQLITE_DONE)
        return DbStatus::failure(db.errorText("Cannot read the disc table"));
    m_rows = std::move(rows);
    return {};
}

} // namespace kavro
