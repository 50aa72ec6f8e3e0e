#include "catalogue/database/JetSchema.h"

#include <regex>

namespace kavro::jet {

namespace {

std::string quoteText(std::string_view s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

} // namespace

std::string quoteName(std::string_view name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

TranslatedTable translate(std::string_view jetSql)
{
    TranslatedTable result;
    std::string sql(jetSql);
    static const std::regex createTable(R"(^\s*CREATE\s+TABLE\s+([A-Za-z_][A-Za-z0-9_]*))",
                                        std::regex::icase);
    std::smatch m;
    if (!std::regex_search(sql, m, createTable)) {
        result.sql = std::move(sql);
        return result;
    }
    result.table = m[1].str();

    // "Serial COUNTER (0, 1)" or "Serial COUNTER": the column becomes a plain integer that the
    // counter triggers fill in.
    static const std::regex counter(
        R"(([A-Za-z_][A-Za-z0-9_]*)(\s+)COUNTER\b(?:\s*\(\s*(-?\d+)\s*,\s*(-?\d+)\s*\))?)",
        std::regex::icase);
    std::string out;
    auto begin = sql.cbegin();
    for (std::sregex_iterator it(sql.begin(), sql.end(), counter), end; it != end; ++it) {
        const auto& cm = *it;
        out.append(begin, cm[0].first);
        CounterColumn c;
        c.column = cm[1].str();
        if (cm[3].matched) {
            c.start = std::stoll(cm[3].str());
            c.step = std::stoll(cm[4].str());
        }
        if (c.step == 0)
            c.step = 1;
        result.counters.push_back(c);
        out += c.column + cm[2].str() + "INTEGER";
        begin = cm[0].second;
    }
    out.append(begin, sql.cend());

    static const std::regex charType(R"(\bCHAR\s*\(\s*(\d+)\s*\))", std::regex::icase);
    out = std::regex_replace(out, charType, "CHAR($1) COLLATE RTRIM");
    static const std::regex compression(R"(\s+WITH\s+COMPRESSION\b)", std::regex::icase);
    out = std::regex_replace(out, compression, "");
    static const std::regex longBinary(R"(\bLONGBINARY\b)", std::regex::icase);
    out = std::regex_replace(out, longBinary, "BLOB");
    result.sql = std::move(out);
    return result;
}

std::vector<std::string> counterStatements(std::string_view table, const CounterColumn& c, bool freshTable)
{
    const std::string t = quoteName(table);
    const std::string col = quoteName(c.column);
    const std::string key = "tbl = " + quoteText(table) + " AND col = " + quoteText(c.column);
    const std::string counterTable(kCounterTable);
    std::vector<std::string> s;
    s.push_back("CREATE TABLE IF NOT EXISTS " + counterTable +
                " (tbl TEXT NOT NULL, col TEXT NOT NULL, next INTEGER NOT NULL, step INTEGER NOT NULL,"
                " PRIMARY KEY (tbl, col))");
    const std::string start = std::to_string(c.start);
    const std::string step = std::to_string(c.step);
    if (freshTable) {
        s.push_back("INSERT OR REPLACE INTO " + counterTable + " (tbl, col, next, step) VALUES (" +
                    quoteText(table) + ", " + quoteText(c.column) + ", " + start + ", " + step + ")");
    } else {
        s.push_back("INSERT OR IGNORE INTO " + counterTable + " (tbl, col, next, step) SELECT " +
                    quoteText(table) + ", " + quoteText(c.column) + ", COALESCE(MAX(" + col + ") + " + step +
                    ", " + start + "), " + step + " FROM " + t);
    }
    const std::string prefix = std::string(table) + "_" + c.column;
    s.push_back("CREATE TRIGGER IF NOT EXISTS " + quoteName(prefix + "_number") + " AFTER INSERT ON " + t +
                " FOR EACH ROW WHEN NEW." + col + " IS NULL BEGIN UPDATE " + t + " SET " + col +
                " = (SELECT next FROM " + counterTable + " WHERE " + key +
                ") WHERE rowid = NEW.rowid; UPDATE " + counterTable + " SET next = next + step WHERE " + key +
                "; END");
    s.push_back("CREATE TRIGGER IF NOT EXISTS " + quoteName(prefix + "_given") + " AFTER INSERT ON " + t +
                " FOR EACH ROW WHEN NEW." + col + " IS NOT NULL BEGIN UPDATE " + counterTable +
                " SET next = MAX(next, NEW." + col + " + step) WHERE " + key + "; END");
    return s;
}

} // namespace kavro::jet
