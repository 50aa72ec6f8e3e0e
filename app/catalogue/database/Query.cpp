#include "catalogue/database/Query.h"

#include "catalogue/database/Database.h"
#include "catalogue/database/SqliteColumns.h"
#include "platform/Text.h"

#include <sqlite3.h>

namespace kavro {

void Query::close()
{
    m_open = false;
    m_rows.clear();
    m_names.clear();
    m_row = 0;
}

void Query::clearSql()
{
    m_sql.clear();
    m_params.clear();
}

void Query::addLine(std::string_view line)
{
    if (!m_sql.empty())
        m_sql += '\n';
    m_sql += line;
    m_params.clear();
}

void Query::setSql(std::string_view sql)
{
    m_sql = std::string(sql);
    m_params.clear();
}

void Query::setParam(std::string_view name, DbValue value)
{
    if (!name.empty() && name.front() == ':')
        name.remove_prefix(1);
    for (auto& p : m_params) {
        if (text::equalsIgnoreAsciiCase(p.first, name)) {
            p.second = std::move(value);
            return;
        }
    }
    m_params.emplace_back(std::string(name), std::move(value));
}

DbStatus Query::open()
{
    return run(true, nullptr);
}

DbResult<int> Query::execute()
{
    int changed = 0;
    if (auto s = run(false, &changed); !s)
        return s;
    return changed;
}

DbStatus Query::run(bool wantRows, int* changed)
{
    close();
    auto prepared = m_db.prepare(m_sql);
    if (!prepared)
        return prepared.status();
    sqlite3_stmt* stmt = *prepared;
    struct Finaliser {
        sqlite3_stmt* s;
        ~Finaliser() { sqlite3_finalize(s); }
    } finaliser{stmt};

    std::vector<bool> used(m_params.size(), false);
    const int count = sqlite3_bind_parameter_count(stmt);
    for (int i = 1; i <= count; ++i) {
        const char* raw = sqlite3_bind_parameter_name(stmt, i);
        std::string_view name = raw ? raw : "";
        if (!name.empty())
            name.remove_prefix(1); // ':', '@', '$' or '?'
        bool found = false;
        for (std::size_t k = 0; k < m_params.size(); ++k) {
            if (text::equalsIgnoreAsciiCase(m_params[k].first, name)) {
                if (columns::bind(stmt, i, m_params[k].second) != SQLITE_OK)
                    return DbStatus::failure(m_db.errorText("Cannot set parameter " + std::string(name)));
                used[k] = true;
                found = true;
                break;
            }
        }
        if (!found)
            return DbStatus::failure("Parameter " + std::string(name) + " has no value (in: " + m_sql + ")");
    }
    for (std::size_t k = 0; k < m_params.size(); ++k) {
        if (!used[k])
            return DbStatus::failure("Parameter " + m_params[k].first + " not found (in: " + m_sql + ")");
    }

    const int columnCount = sqlite3_column_count(stmt);
    if (wantRows) {
        for (int c = 0; c < columnCount; ++c) {
            const char* n = sqlite3_column_name(stmt, c);
            m_names.emplace_back(n ? n : "");
        }
    }
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!wantRows)
            continue;
        std::vector<DbValue> row;
        row.reserve(static_cast<std::size_t>(columnCount));
        for (int c = 0; c < columnCount; ++c)
            row.push_back(columns::read(stmt, c));
        m_rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        close();
        return DbStatus::failure(m_db.errorText("SQL error") + " (in: " + m_sql + ")");
    }
    if (changed)
        *changed = sqlite3_changes(m_db.handle());
    m_open = wantRows;
    m_row = 0;
    return {};
}

int Query::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i) {
        if (text::equalsIgnoreAsciiCase(m_names[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

DbValue Query::field(std::string_view name) const
{
    return field(fieldIndex(name));
}

DbValue Query::field(int index) const
{
    if (index < 0 || eof() || static_cast<std::size_t>(index) >= m_rows[m_row].size())
        return DbValue::null();
    return m_rows[m_row][static_cast<std::size_t>(index)];
}

} // namespace kavro
