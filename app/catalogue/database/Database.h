#pragma once

#include "catalogue/database/DbResult.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace kavro {

// The connection to one catalogue file (SQLite 3). Owns the handle; statements made on it by
// the query objects and the cursor must be finalised before close.
class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens file, creating it when missing and create is set. A file that exists but is not an
    // SQLite database (an older Jet catalogue, say) is refused before anything touches it.
    DbStatus open(const std::filesystem::path& file, bool create = true);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const std::filesystem::path& file() const { return m_file; }

    // Runs statements that return no rows (several may be separated by semicolons).
    DbStatus exec(std::string_view sql);

    // A prepared statement; the caller finalises it.
    DbResult<sqlite3_stmt*> prepare(std::string_view sql);

    // Names of the tables the catalogue keeps (SQLite's own and the counter table left out).
    DbResult<std::vector<std::string>> tableNames();

    // Declared columns of a table in their order: name and declared type.
    struct Column {
        std::string name;
        std::string type;
    };
    DbResult<std::vector<Column>> columns(std::string_view table);

    // The last error text of the connection, prefixed with what was being done.
    std::string errorText(std::string_view doing) const;

    // How long a statement waits for another program that holds the catalogue locked before it
    // gives up with an error saying so.
    static constexpr int kBusyTimeoutMs = 2000;
    void setBusyTimeout(int ms);

    // Changes when any row may have changed: every insert, update or delete made on the connection
    // and every rollback. Cursors compare it to know when to read the table again.
    std::int64_t changeStamp() const;
    void noteRollback();

    // The rowids of one table's rows inserted, updated or deleted through this connection, kept
    // so that a reader holding the table in memory can read only those rows again. Watching
    // starts with the call and lasts until close.
    void watchRows(std::string_view table);
    // A position in the watched rows' changes, to pass to changedRowsSince later.
    std::uint64_t rowChangeMark() const { return m_rowMark; }
    // The rowids changed since mark, oldest first, repeats included; nullopt when they are not
    // known: too many to keep, a rollback since (it undoes changes nobody saw), or the
    // connection reopened. Deletions by a bare "DELETE FROM table" are not reported by SQLite:
    // a reader compares its row count afterwards.
    std::optional<std::span<const std::int64_t>> changedRowsSince(std::uint64_t mark) const;

    bool inTransaction() const;
    sqlite3* handle() const { return m_db; }

    // Checks the first bytes of file: true when it is an SQLite database or an empty file.
    // Otherwise explains what the file seems to be.
    static DbStatus checkFileKind(const std::filesystem::path& file);

private:
    sqlite3* m_db = nullptr;
    std::filesystem::path m_file;
    std::int64_t m_rollbacks = 0;

    // rowId is an sqlite3_int64.
    static void rowChanged(void* self, int op, const char* schema, const char* table, long long rowId);
    static void rolledBack(void* self);
    void forgetRowChanges();

    std::string m_watchedTable;
    std::vector<std::int64_t> m_changedRows; // changes m_rowMark - size() to m_rowMark
    std::uint64_t m_rowMark = 0;
};

} // namespace kavro
