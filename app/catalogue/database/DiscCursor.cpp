#include "catalogue/database/DiscCursor.h"

#include "catalogue/database/Database.h"
#include "catalogue/database/JetSchema.h"
#include "catalogue/database/SqliteColumns.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <algorithm>

namespace kavro {

namespace {

// Resets a statement when the scope ends, so that no read stays active and holds back a commit.
struct ResetOnExit {
    sqlite3_stmt* stmt;
    ~ResetOnExit()
    {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
};

} // namespace

DiscCursor::~DiscCursor()
{
    close();
}

void DiscCursor::finaliseAll()
{
    sqlite3_finalize(m_readRow);
    m_readRow = nullptr;
    for (auto& [k, s] : m_readBlob)
        sqlite3_finalize(s);
    m_readBlob.clear();
    for (auto& [k, s] : m_locators)
        sqlite3_finalize(s);
    m_locators.clear();
}

void DiscCursor::close()
{
    finaliseAll();
    m_state = State::Closed;
    m_columns.clear();
    m_rowIds.clear();
    m_pos = 0;
    m_row.clear();
    m_blobs.clear();
    m_pending.clear();
    m_loadedRowId = 0;
    m_stamp = -1;
}

DbStatus DiscCursor::fail(std::string text)
{
    m_lastError = text;
    return DbStatus::failure(std::move(text));
}

DbStatus DiscCursor::open(std::string_view table)
{
    close();
    m_table = std::string(table);
    auto cols = m_db.columns(table);
    if (!cols)
        return fail(cols.error());
    if (cols->empty())
        return fail("The catalogue has no table " + m_table + ".");
    std::string select;
    int scalars = 0;
    for (const auto& c : *cols) {
        Column col{c.name, c.type, columns::charWidth(c.type), columns::isBlobType(c.type), -1};
        if (!col.blob) {
            col.scalarIndex = scalars++;
            select += (select.empty() ? "" : ", ") + jet::quoteName(c.name);
        }
        m_columns.push_back(std::move(col));
    }
    if (select.empty())
        select = "rowid";
    auto stmt = m_db.prepare("SELECT " + select + " FROM " + jet::quoteName(m_table) + " WHERE rowid = ?1");
    if (!stmt) {
        close();
        return fail(stmt.error());
    }
    m_readRow = *stmt;
    m_state = State::Browse;
    if (auto s = loadRowIds(); !s) {
        close();
        return s;
    }
    m_pos = 0;
    return {};
}

DbStatus DiscCursor::loadRowIds()
{
    auto stmt = m_db.prepare("SELECT rowid FROM " + jet::quoteName(m_table) + " ORDER BY rowid");
    if (!stmt)
        return fail(stmt.error());
    std::vector<std::int64_t> ids;
    int rc;
    while ((rc = sqlite3_step(*stmt)) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(*stmt, 0));
    sqlite3_finalize(*stmt);
    if (rc != SQLITE_DONE)
        return fail(m_db.errorText("Cannot read the table " + m_table));
    m_rowIds = std::move(ids);
    m_stamp = m_db.changeStamp();
    m_loadedRowId = 0;
    return {};
}

void DiscCursor::placeAt(std::int64_t rowid)
{
    m_pos = static_cast<std::size_t>(std::lower_bound(m_rowIds.begin(), m_rowIds.end(), rowid) -
                                     m_rowIds.begin());
}

void DiscCursor::sync()
{
    if (m_state == State::Closed || m_stamp == m_db.changeStamp())
        return;
    const std::int64_t current = m_pos < m_rowIds.size() ? m_rowIds[m_pos] : INT64_MAX;
    if (loadRowIds())
        placeAt(current);
}

DbStatus DiscCursor::requery()
{
    if (m_state == State::Closed)
        return fail("The disc table is not open.");
    cancel();
    const std::int64_t current = m_pos < m_rowIds.size() ? m_rowIds[m_pos] : INT64_MAX;
    if (auto s = loadRowIds(); !s)
        return s;
    placeAt(current);
    return {};
}

bool DiscCursor::isEmpty()
{
    sync();
    return m_rowIds.empty();
}

int DiscCursor::recordCount()
{
    sync();
    return static_cast<int>(m_rowIds.size());
}

void DiscCursor::first()
{
    cancel();
    sync();
    m_pos = 0;
}

void DiscCursor::next()
{
    cancel();
    sync();
    if (m_pos < m_rowIds.size())
        ++m_pos;
}

void DiscCursor::prior()
{
    cancel();
    sync();
    if (m_pos > 0)
        --m_pos;
}

void DiscCursor::last()
{
    cancel();
    sync();
    m_pos = m_rowIds.empty() ? 0 : m_rowIds.size() - 1;
}

bool DiscCursor::eof()
{
    sync();
    return m_pos >= m_rowIds.size();
}

bool DiscCursor::bof()
{
    sync();
    return m_pos == 0;
}

std::int64_t DiscCursor::rowId()
{
    sync();
    return m_pos < m_rowIds.size() ? m_rowIds[m_pos] : 0;
}

int DiscCursor::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (text::equalsIgnoreAsciiCase(m_columns[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

bool DiscCursor::locate(std::string_view columnList, const std::vector<DbValue>& values)
{
    cancel();
    sync();
    if (m_state == State::Closed)
        return false;
    const std::string key(columnList);
    sqlite3_stmt* stmt = nullptr;
    if (auto it = m_locators.find(key); it != m_locators.end()) {
        stmt = it->second;
    } else {
        std::string where;
        int n = 0;
        std::size_t start = 0;
        while (start <= columnList.size()) {
            const std::size_t end = std::min(columnList.find(';', start), columnList.size());
            const std::string name = text::trimSpaces(columnList.substr(start, end - start));
            const int col = columnIndex(name);
            if (col < 0) {
                m_lastError = "The table " + m_table + " has no column " + name + ".";
                return false;
            }
            where += (n ? " AND " : "") + jet::quoteName(m_columns[static_cast<std::size_t>(col)].name) +
                     " = ?" + std::to_string(n + 1);
            ++n;
            start = end + 1;
        }
        auto prepared = m_db.prepare("SELECT rowid FROM " + jet::quoteName(m_table) + " WHERE " + where +
                                     " ORDER BY rowid LIMIT 1");
        if (!prepared) {
            m_lastError = prepared.error();
            return false;
        }
        stmt = *prepared;
        m_locators.emplace(key, stmt);
    }
    if (static_cast<int>(values.size()) != sqlite3_bind_parameter_count(stmt)) {
        m_lastError = "Locate needs one value per column.";
        return false;
    }
    ResetOnExit reset{stmt};
    for (std::size_t i = 0; i < values.size(); ++i)
        columns::bind(stmt, static_cast<int>(i + 1), values[i]);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            m_lastError = m_db.errorText("Cannot locate a row");
        return false;
    }
    placeAt(sqlite3_column_int64(stmt, 0));
    return m_pos < m_rowIds.size();
}

bool DiscCursor::loadRow()
{
    const std::int64_t id = m_pos < m_rowIds.size() ? m_rowIds[m_pos] : 0;
    if (id == m_loadedRowId && id != 0)
        return true;
    m_row.clear();
    m_blobs.clear();
    m_loadedRowId = 0;
    if (id == 0 || !m_readRow)
        return false;
    ResetOnExit reset{m_readRow};
    sqlite3_bind_int64(m_readRow, 1, id);
    if (sqlite3_step(m_readRow) != SQLITE_ROW)
        return false;
    const int n = sqlite3_column_count(m_readRow);
    m_row.reserve(static_cast<std::size_t>(n));
    for (int c = 0; c < n; ++c)
        m_row.push_back(columns::read(m_readRow, c));
    m_loadedRowId = id;
    return true;
}

DbValue DiscCursor::readBlob(int column)
{
    DbValue v;
    if (auto it = m_blobs.find(column); it != m_blobs.end())
        return it->second;
    sqlite3_stmt*& stmt = m_readBlob[column];
    if (!stmt) {
        auto prepared =
            m_db.prepare("SELECT " + jet::quoteName(m_columns[static_cast<std::size_t>(column)].name) +
                         " FROM " + jet::quoteName(m_table) + " WHERE rowid = ?1");
        if (!prepared) {
            m_readBlob.erase(column);
            m_lastError = prepared.error();
            return v;
        }
        stmt = *prepared;
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_int64(stmt, 1, m_loadedRowId);
    if (sqlite3_step(stmt) == SQLITE_ROW)
        v = columns::read(stmt, 0);
    // Small values are kept for the next read of the row; large ones are not worth the memory.
    if (v.bytes().size() <= 64 * 1024)
        m_blobs.emplace(column, v);
    return v;
}

bool DiscCursor::viewFields(const std::vector<std::string_view>& names,
                            const std::function<void(const std::vector<std::string_view>&)>& use)
{
    sync();
    if (m_state == State::Closed || m_pos >= m_rowIds.size())
        return false;
    std::string select;
    for (const auto name : names) {
        const int col = columnIndex(name);
        if (col < 0)
            return false;
        select +=
            (select.empty() ? "" : ", ") + jet::quoteName(m_columns[static_cast<std::size_t>(col)].name);
    }
    const std::string key = "view:" + select;
    sqlite3_stmt* stmt = nullptr;
    if (auto it = m_locators.find(key); it != m_locators.end()) {
        stmt = it->second;
    } else {
        auto prepared =
            m_db.prepare("SELECT " + select + " FROM " + jet::quoteName(m_table) + " WHERE rowid = ?1");
        if (!prepared) {
            m_lastError = prepared.error();
            return false;
        }
        stmt = *prepared;
        m_locators.emplace(key, stmt);
    }
    ResetOnExit reset{stmt};
    sqlite3_bind_int64(stmt, 1, m_rowIds[m_pos]);
    if (sqlite3_step(stmt) != SQLITE_ROW)
        return false;
    std::vector<std::string_view> views;
    for (int c = 0; c < static_cast<int>(names.size()); ++c) {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, c));
        const int n = sqlite3_column_bytes(stmt, c);
        views.emplace_back(p ? p : "", p ? static_cast<std::size_t>(n) : 0);
    }
    use(views);
    return true;
}

DbValue DiscCursor::field(std::string_view name)
{
    const int col = columnIndex(name);
    if (col < 0)
        return DbValue::null();
    if (m_state == State::Edit || m_state == State::Insert) {
        if (auto it = m_pending.find(col); it != m_pending.end()) {
            const auto& c = m_columns[static_cast<std::size_t>(col)];
            if (c.width && it->second.type() == DbValue::Type::Text)
                return DbValue(columns::padToWidth(it->second.bytes(), *c.width));
            return it->second;
        }
        if (m_state == State::Insert)
            return DbValue::null();
    } else {
        sync();
    }
    if (!loadRow())
        return DbValue::null();
    const auto& c = m_columns[static_cast<std::size_t>(col)];
    if (c.blob)
        return readBlob(col);
    return m_row[static_cast<std::size_t>(c.scalarIndex)];
}

DbStatus DiscCursor::append()
{
    if (m_state == State::Closed)
        return fail("The disc table is not open.");
    cancel();
    m_pending.clear();
    m_state = State::Insert;
    return {};
}

DbStatus DiscCursor::edit()
{
    if (m_state == State::Closed)
        return fail("The disc table is not open.");
    cancel();
    sync();
    if (m_pos >= m_rowIds.size())
        return fail("There is no current row to edit.");
    m_pending.clear();
    m_state = State::Edit;
    return {};
}

DbStatus DiscCursor::setField(std::string_view name, DbValue value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        return fail("The row is not being appended or edited.");
    const int col = columnIndex(name);
    if (col < 0)
        return fail("The table " + m_table + " has no column " + std::string(name) + ".");
    const auto& c = m_columns[static_cast<std::size_t>(col)];
    if (c.width && value.type() == DbValue::Type::Text)
        value = DbValue(columns::cutToWidth(value.bytes(), *c.width));
    m_pending[col] = std::move(value);
    return {};
}

void DiscCursor::cancel()
{
    if (m_state == State::Edit || m_state == State::Insert)
        m_state = State::Browse;
    m_pending.clear();
}

DbStatus DiscCursor::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return fail("The row is not being appended or edited.");
    const bool inserting = m_state == State::Insert;
    std::int64_t target = 0;
    if (!inserting) {
        // Another object may have changed the table since edit(); find the row again by id.
        target = m_pos < m_rowIds.size() ? m_rowIds[m_pos] : 0;
    }
    if (!inserting && m_pending.empty()) {
        cancel();
        return {};
    }
    std::string sql;
    const std::string table = jet::quoteName(m_table);
    if (inserting) {
        if (m_pending.empty()) {
            sql = "INSERT INTO " + table + " DEFAULT VALUES";
        } else {
            std::string names, marks;
            int n = 0;
            for (const auto& [col, v] : m_pending) {
                names += (n ? ", " : "") + jet::quoteName(m_columns[static_cast<std::size_t>(col)].name);
                marks += (n ? ", ?" : "?") + std::to_string(n + 1);
                ++n;
            }
            sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        std::string sets;
        int n = 0;
        for (const auto& [col, v] : m_pending) {
            sets += (n ? ", " : "") + jet::quoteName(m_columns[static_cast<std::size_t>(col)].name) + " = ?" +
                    std::to_string(n + 1);
            ++n;
        }
        sql = "UPDATE " + table + " SET " + sets + " WHERE rowid = ?" + std::to_string(n + 1);
    }
    auto prepared = m_db.prepare(sql);
    if (!prepared)
        return fail(prepared.error());
    sqlite3_stmt* stmt = *prepared;
    int n = 0;
    for (const auto& [col, v] : m_pending)
        columns::bind(stmt, ++n, v);
    if (!inserting)
        sqlite3_bind_int64(stmt, n + 1, target);
    const std::int64_t before = m_db.changeStamp();
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return fail(m_db.errorText(inserting ? "Cannot add the record" : "Cannot save the record"));
    if (!inserting && sqlite3_changes(m_db.handle()) == 0)
        return fail("The record was removed by another operation before it could be saved.");
    const bool othersChanged = before != m_stamp;
    if (inserting) {
        const std::int64_t id = sqlite3_last_insert_rowid(m_db.handle());
        if (othersChanged) {
            (void)loadRowIds();
        } else {
            m_rowIds.insert(std::upper_bound(m_rowIds.begin(), m_rowIds.end(), id), id);
            m_stamp = m_db.changeStamp();
        }
        placeAt(id);
    } else {
        if (othersChanged)
            (void)loadRowIds();
        else
            m_stamp = m_db.changeStamp();
        placeAt(target);
    }
    m_pending.clear();
    m_loadedRowId = 0;
    m_state = State::Browse;
    return {};
}

DbStatus DiscCursor::deleteRow()
{
    if (m_state == State::Closed)
        return fail("The disc table is not open.");
    cancel();
    sync();
    if (m_pos >= m_rowIds.size())
        return fail("There is no current row to delete.");
    const std::int64_t id = m_rowIds[m_pos];
    auto prepared = m_db.prepare("DELETE FROM " + jet::quoteName(m_table) + " WHERE rowid = ?1");
    if (!prepared)
        return fail(prepared.error());
    sqlite3_bind_int64(*prepared, 1, id);
    const int rc = sqlite3_step(*prepared);
    sqlite3_finalize(*prepared);
    if (rc != SQLITE_DONE)
        return fail(m_db.errorText("Cannot delete the record"));
    m_rowIds.erase(m_rowIds.begin() + static_cast<std::ptrdiff_t>(m_pos));
    m_stamp = m_db.changeStamp();
    m_loadedRowId = 0;
    return {};
}

} // namespace kavro
