#pragma once

#include <string>
#include <string_view>
#include <vector>

// The catalogue's table definitions are written in Jet's dialect. These functions turn them into
// SQLite statements that behave the same way: COUNTER (start, step) numbers rows from start,
// CHAR (n) compares equal whatever its trailing blanks, LONGBINARY holds raw bytes, and the
// Unicode compression option has no meaning.
namespace kavro::jet {

struct CounterColumn {
    std::string column;
    long long start = 1;
    long long step = 1;
};

struct TranslatedTable {
    std::string table;                   // empty when the text is not a CREATE TABLE statement
    std::string sql;                     // the statement for SQLite
    std::vector<CounterColumn> counters; // columns numbered by the database
};

// Translates one Jet statement. Statements other than CREATE TABLE come back unchanged.
TranslatedTable translate(std::string_view jetSql);

// Name of the table that keeps the next number of every counter column.
inline constexpr std::string_view kCounterTable = "kavro_counter";

// Statements that make the database number column c of table: the counter table, the
// counter's row and the triggers. freshTable is true right after the table was created;
// otherwise the counter continues after the highest number already in the table.
std::vector<std::string> counterStatements(std::string_view table, const CounterColumn& c, bool freshTable);

// Quotes a name for SQL ("name", doubling inner quotes).
std::string quoteName(std::string_view name);

} // namespace kavro::jet
