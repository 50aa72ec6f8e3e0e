#include "catalogue/database/Database.h"

#include "catalogue/database/JetSchema.h"

#include <sqlite3.h>

#include <cstring>
#include <fstream>
#include <strings.h>

namespace kavro {

namespace {

// What the person reads when another program holds the catalogue locked past the wait.
constexpr const char* kInUse = "the catalogue is in use by another program, which holds it locked; "
                               "nothing was changed. Try again once that program is done with it.";

bool isLockError(int rc)
{
    return (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
}

} // namespace

Database::~Database()
{
    close();
}

DbStatus Database::checkFileKind(const std::filesystem::path& file)
{
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return {};
    if (!std::filesystem::is_regular_file(file, ec))
        return DbStatus::failure("The catalogue " + file.string() + " is not a file.");
    const auto size = std::filesystem::file_size(file, ec);
    if (ec)
        return DbStatus::failure("The catalogue " + file.string() + " cannot be read: " + ec.message());
    if (size == 0)
        return {};
    std::ifstream in(file, std::ios::binary);
    char header[32] = {};
    in.read(header, sizeof header);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (!in.good() && got == 0)
        return DbStatus::failure("The catalogue " + file.string() + " cannot be read.");
    static constexpr std::string_view kSqlite("SQLite format 3\0", 16);
    if (got >= 16 && std::string_view(header, 16) == kSqlite)
        return {};
    const std::string_view head(header, got);
    if (got >= 19 && (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB"))
        return DbStatus::failure("The catalogue " + file.string() +
                                 " is a Jet (Access) database written by the older program. It was left "
                                 "untouched; import it as an older catalogue instead.");
    return DbStatus::failure("The catalogue " + file.string() +
                             " is not a catalogue this program can open (not an SQLite database). It was "
                             "left untouched.");
}

DbStatus Database::open(const std::filesystem::path& file, bool create)
{
    close();
    if (auto kind = checkFileKind(file); !kind)
        return kind;
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (!exists && !create)
        return DbStatus::failure("The catalogue " + file.string() + " does not exist.");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (!exists)
        flags |= SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = "Cannot open the catalogue " + file.string() + ": " +
                           (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return DbStatus::failure(std::move(text));
    }
    if (sqlite3_db_readonly(db, "main") == 1) {
        sqlite3_close_v2(db);
        return DbStatus::failure("The catalogue " + file.string() +
                                 " cannot be written (it is read-only). Give yourself the right to change "
                                 "it, or copy it to a folder of your own, and start again.");
    }
    m_db = db;
    m_file = file;
    forgetRowChanges();
    sqlite3_rollback_hook(m_db, &Database::rolledBack, this);
    sqlite3_extended_result_codes(m_db, 1);
    setBusyTimeout(kBusyTimeoutMs);
    // A header that passed the check may still hide a damaged file: read the schema now so that
    // the person hears about it at open rather than at the first click.
    const int schemaRead = sqlite3_exec(m_db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    if (schemaRead != SQLITE_OK) {
        std::string text =
            isLockError(schemaRead)
                ? "The catalogue " + file.string() +
                      " is in use by another program, which holds it locked. Close that "
                      "program and start again."
                : "The catalogue " + file.string() + " cannot be read: " + sqlite3_errmsg(m_db);
        close();
        return DbStatus::failure(std::move(text));
    }
    return {};
}

void Database::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    forgetRowChanges();
    m_watchedTable.clear();
}

namespace {
// More changed rows than this are read faster as a whole table than one by one.
constexpr std::size_t kRowChangeLimit = 1024;
} // namespace

void Database::rowChanged(void* self, int, const char* schema, const char* table, long long rowId)
{
    auto* db = static_cast<Database*>(self);
    if (std::strcmp(schema, "main") != 0 || strcasecmp(table, db->m_watchedTable.c_str()) != 0)
        return;
    ++db->m_rowMark;
    if (db->m_changedRows.size() < kRowChangeLimit)
        db->m_changedRows.push_back(rowId);
    else
        db->m_changedRows.clear(); // from here on only marks at or after this change are usable
}

void Database::rolledBack(void* self)
{
    auto* db = static_cast<Database*>(self);
    ++db->m_rollbacks;
    db->forgetRowChanges();
}

void Database::noteRollback()
{
    ++m_rollbacks;
    forgetRowChanges();
}

void Database::forgetRowChanges()
{
    // Moving the mark past every earlier one makes them all unusable.
    ++m_rowMark;
    m_changedRows.clear();
}

void Database::watchRows(std::string_view table)
{
    if (!m_db || table.empty() || strcasecmp(std::string(table).c_str(), m_watchedTable.c_str()) == 0)
        return;
    m_watchedTable = std::string(table);
    forgetRowChanges();
    sqlite3_update_hook(m_db, &Database::rowChanged, this);
}

std::optional<std::span<const std::int64_t>> Database::changedRowsSince(std::uint64_t mark) const
{
    if (!m_db || m_watchedTable.empty() || mark > m_rowMark || m_rowMark - mark > m_changedRows.size())
        return std::nullopt;
    const auto kept = m_changedRows.size();
    return std::span<const std::int64_t>(m_changedRows)
        .subspan(kept - static_cast<std::size_t>(m_rowMark - mark));
}

std::string Database::errorText(std::string_view doing) const
{
    std::string text(doing);
    if (m_db) {
        text += ": ";
        text += isLockError(sqlite3_extended_errcode(m_db)) ? kInUse : sqlite3_errmsg(m_db);
    }
    return text;
}

void Database::setBusyTimeout(int ms)
{
    if (m_db)
        sqlite3_busy_timeout(m_db, ms);
}

DbStatus Database::exec(std::string_view sql)
{
    if (!m_db)
        return DbStatus::failure("The catalogue is not open.");
    const std::string text(sql);
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string error = isLockError(rc) ? kInUse : message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        return DbStatus::failure(error + " (in: " + text + ")");
    }
    return {};
}

DbResult<sqlite3_stmt*> Database::prepare(std::string_view sql)
{
    if (!m_db)
        return DbResult<sqlite3_stmt*>::failure("The catalogue is not open.");
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql.data(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        return DbResult<sqlite3_stmt*>::failure(errorText("SQL error") + " (in: " + std::string(sql) + ")");
    if (!stmt)
        return DbResult<sqlite3_stmt*>::failure("The SQL text is empty.");
    // One statement at a time: a second one after a semicolon would silently not run.
    for (const char* p = tail; p && p < sql.data() + sql.size(); ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            sqlite3_finalize(stmt);
            return DbResult<sqlite3_stmt*>::failure(
                "Only one SQL statement can run at a time (in: " + std::string(sql) + ")");
        }
    }
    return stmt;
}

DbResult<std::vector<std::string>> Database::tableNames()
{
    auto stmt = prepare("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    if (!stmt)
        return stmt.status();
    std::vector<std::string> names;
    int rc;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(*stmt, 0));
        std::string name = p ? p : "";
        if (name.rfind("sqlite_", 0) == 0 || name == jet::kCounterTable)
            continue;
        names.push_back(std::move(name));
    }
    sqlite3_finalize(*stmt);
    if (rc != SQLITE_DONE)
        return DbStatus::failure(errorText("Cannot list the tables"));
    return names;
}

DbResult<std::vector<Database::Column>> Database::columns(std::string_view table)
{
    auto stmt = prepare("SELECT name, type FROM pragma_table_info(?1)");
    if (!stmt)
        return stmt.status();
    sqlite3_bind_text(*stmt, 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    std::vector<Column> cols;
    int rc;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW) {
        const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(*stmt, 0));
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(*stmt, 1));
        cols.push_back({n ? n : "", t ? t : ""});
    }
    sqlite3_finalize(*stmt);
    if (rc != SQLITE_DONE)
        return DbStatus::failure(errorText("Cannot read the columns of " + std::string(table)));
    return cols;
}

std::int64_t Database::changeStamp() const
{
    if (!m_db)
        return 0;
    // Rollbacks undo changes without counting as changes, so they count separately.
    return sqlite3_total_changes64(m_db) + (m_rollbacks << 40);
}

bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

} // namespace kavro
