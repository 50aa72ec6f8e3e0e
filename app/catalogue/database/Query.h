#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/database/DbValue.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavro {

class Database;

// A reusable parameterised query: close it, replace its SQL text (whole, or line by line, the
// line breaks acting as blanks), set the named parameters (":NAME" in the text), then open it
// for rows or execute it for changes. Rows are read in full when it opens, so an open query
// never holds back a change made through another object.
class Query {
public:
    explicit Query(Database& db) : m_db(db) {}

    void close();
    bool isOpen() const { return m_open; }

    void clearSql();
    void addLine(std::string_view line);
    void setSql(std::string_view sql);
    const std::string& sql() const { return m_sql; }

    // Value of parameter name (without the colon; compared without regard to case). Parameters
    // are forgotten when the SQL text changes.
    void setParam(std::string_view name, DbValue value);

    // Runs a statement that returns rows and moves to the first.
    DbStatus open();
    // Runs a statement that changes rows; the number of rows changed.
    DbResult<int> execute();

    bool eof() const { return m_row >= m_rows.size(); }
    bool isEmpty() const { return m_rows.empty(); }
    int recordCount() const { return static_cast<int>(m_rows.size()); }
    void first() { m_row = 0; }
    void next()
    {
        if (m_row < m_rows.size())
            ++m_row;
    }

    bool hasField(std::string_view name) const { return fieldIndex(name) >= 0; }
    // Field of the current row by name (without regard to case); null past the end or when the
    // result has no such column.
    DbValue field(std::string_view name) const;
    DbValue field(int index) const;

private:
    int fieldIndex(std::string_view name) const;
    DbStatus run(bool wantRows, int* changed);

    Database& m_db;
    std::string m_sql;
    std::vector<std::pair<std::string, DbValue>> m_params;
    std::vector<std::string> m_names;
    std::vector<std::vector<DbValue>> m_rows;
    std::size_t m_row = 0;
    bool m_open = false;
};

} // namespace kavro
