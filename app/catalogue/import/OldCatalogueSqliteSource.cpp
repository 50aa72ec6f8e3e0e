#include "catalogue/import/OldCatalogueSqliteSource.h"

#include "catalogue/database/JetSchema.h"
#include "platform/Text.h"

#include <sqlite3.h>

namespace kavro {

namespace {

DbValue columnValue(sqlite3_stmt* stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return DbValue(static_cast<long long>(sqlite3_column_int64(stmt, col)));
    case SQLITE_FLOAT:
        return DbValue(sqlite3_column_double(stmt, col));
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt, col));
        // Written by this program it is UTF-8; anything else is taken for Big5.
        return DbValue(text::decodeLegacy(std::string_view(p ? p : "", p ? n : 0)));
    }
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
        const auto n = static_cast<std::size_t>(sqlite3_column_bytes(stmt, col));
        return DbValue::blob(std::string(p ? p : "", p ? n : 0));
    }
    default:
        return DbValue::null();
    }
}

// The fields of the current row of stmt by column name, compared without regard to case.
std::function<DbValue(std::string_view)> fieldsOf(sqlite3_stmt* stmt)
{
    return [stmt](std::string_view name) {
        const int count = sqlite3_column_count(stmt);
        for (int c = 0; c < count; ++c) {
            const char* n = sqlite3_column_name(stmt, c);
            if (n && text::equalsIgnoreAsciiCase(n, name))
                return columnValue(stmt, c);
        }
        return DbValue::null();
    };
}

} // namespace

OldCatalogueSqliteSource::~OldCatalogueSqliteSource()
{
    close();
}

DbStatus OldCatalogueSqliteSource::failure(std::string_view doing) const
{
    return DbStatus::failure(std::string(doing) + " " + m_file.string() + ": " +
                             (m_db ? sqlite3_errmsg(m_db) : "out of memory"));
}

DbStatus OldCatalogueSqliteSource::open(const std::filesystem::path& file)
{
    close();
    m_file = file;
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        DbStatus s = failure("Cannot open");
        close();
        return s;
    }
    sqlite3_busy_timeout(m_db, 2000);
    const auto found = hasTable("KAVRO");
    if (!found || !*found) {
        DbStatus s = found ? DbStatus::failure(m_file.string() + " has no table KAVRO.") : found.status();
        close();
        return s;
    }
    sqlite3_stmt* count = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT COUNT(*) FROM KAVRO", -1, &count, nullptr) != SQLITE_OK ||
        sqlite3_step(count) != SQLITE_ROW) {
        sqlite3_finalize(count);
        DbStatus s = failure("Cannot read");
        close();
        return s;
    }
    m_count = sqlite3_column_int(count, 0);
    sqlite3_finalize(count);
    // Table order is the order rows were added.
    if (sqlite3_prepare_v2(m_db, "SELECT * FROM KAVRO ORDER BY rowid", -1, &m_discs, nullptr) != SQLITE_OK) {
        DbStatus s = failure("Cannot read");
        close();
        return s;
    }
    return {};
}

void OldCatalogueSqliteSource::close()
{
    sqlite3_finalize(m_discs);
    m_discs = nullptr;
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_count = 0;
    m_read = 0;
}

DbResult<bool> OldCatalogueSqliteSource::hasTable(std::string_view name)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                           -1, &stmt, nullptr) != SQLITE_OK)
        return failure("Cannot read");
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failure("Cannot read");
    return rc == SQLITE_ROW;
}

DbResult<bool> OldCatalogueSqliteSource::nextDisc(OldDiscRow& row)
{
    if (!m_discs)
        return DbResult<bool>::failure("The catalogue " + m_file.string() + " is not open.");
    const int rc = sqlite3_step(m_discs);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        return failure("Row " + std::to_string(m_read + 1) + " cannot be read from");
    ++m_read;
    row = DiscRowFromFields(fieldsOf(m_discs));
    return true;
}

DbStatus OldCatalogueSqliteSource::forEachRow(
    std::string_view table, const std::function<void(const std::function<DbValue(std::string_view)>&)>& visit)
{
    if (!m_db)
        return DbStatus::failure("The catalogue " + m_file.string() + " is not open.");
    const auto found = hasTable(table);
    if (!found)
        return found.status();
    if (!*found)
        return {};
    sqlite3_stmt* stmt = nullptr;
    const std::string sql = "SELECT * FROM " + jet::quoteName(table) + " ORDER BY rowid";
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        return failure("Cannot read");
    const auto fields = fieldsOf(stmt);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        visit(fields);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return failure("Cannot read the table " + std::string(table) + " of");
    return {};
}

DbResult<std::vector<OldMachineRow>> OldCatalogueSqliteSource::machines()
{
    std::vector<OldMachineRow> rows;
    auto s = forEachRow("CDDEVICE", [&](const auto& field) { rows.push_back(MachineRowFromFields(field)); });
    if (!s)
        return s;
    return rows;
}

DbResult<std::vector<OldCategoryRow>> OldCatalogueSqliteSource::categories()
{
    std::vector<OldCategoryRow> rows;
    auto s = forEachRow("CATEGORY", [&](const auto& field) { rows.push_back(CategoryRowFromFields(field)); });
    if (!s)
        return s;
    return rows;
}

DbResult<std::vector<OldNestingRow>> OldCatalogueSqliteSource::nesting()
{
    std::vector<OldNestingRow> rows;
    auto s = forEachRow("CATEGORYTREE", [&](const auto& field) {
        rows.push_back({field("CATEGORYID").asInt(), field("PARENTID").asInt()});
    });
    if (!s)
        return s;
    return rows;
}

} // namespace kavro
