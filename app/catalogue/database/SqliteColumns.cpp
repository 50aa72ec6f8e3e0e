#include "catalogue/database/SqliteColumns.h"

#include "platform/Text.h"

#include <sqlite3.h>

#include <cctype>

namespace kavro::columns {

namespace {

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::optional<int> charWidth(std::string_view t)
{
    std::size_t i = 0;
    while (i < t.size() && t[i] == ' ')
        ++i;
    if (t.size() - i < 4 || !text::equalsIgnoreAsciiCase(t.substr(i, 4), "CHAR"))
        return std::nullopt;
    i += 4;
    while (i < t.size() && t[i] == ' ')
        ++i;
    if (i >= t.size() || t[i] != '(')
        return std::nullopt;
    ++i;
    int n = 0;
    bool digits = false;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) {
        if (n > 100000)
            return std::nullopt;
        n = n * 10 + (t[i] - '0');
        digits = true;
        ++i;
    }
    while (i < t.size() && t[i] == ' ')
        ++i;
    if (!digits || i >= t.size() || t[i] != ')' || n < 1)
        return std::nullopt;
    return n;
}

bool isBlobType(std::string_view t)
{
    return text::equalsIgnoreAsciiCase(text::trimSpaces(t), "BLOB") ||
           text::equalsIgnoreAsciiCase(text::trimSpaces(t), "LONGBINARY");
}

std::size_t characterCount(std::string_view s)
{
    std::size_t n = 0;
    for (char c : s)
        n += isContinuation(c) ? 0 : 1;
    return n;
}

std::string padToWidth(std::string_view s, int width)
{
    std::string out(s);
    const std::size_t count = characterCount(s);
    if (width > 0 && count < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - count, ' ');
    return out;
}

std::string cutToWidth(std::string_view s, int width)
{
    if (width < 0)
        return std::string(s);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!isContinuation(s[i])) {
            if (chars == static_cast<std::size_t>(width))
                return text::cutUtf8(s, i);
            ++chars;
        }
    }
    return std::string(s);
}

DbValue read(sqlite3_stmt* stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER:
        return DbValue(static_cast<long long>(sqlite3_column_int64(stmt, col)));
    case SQLITE_FLOAT:
        return DbValue(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
        const int n = sqlite3_column_bytes(stmt, col);
        return DbValue::blob(p ? std::string(p, static_cast<std::size_t>(n)) : std::string());
    }
    case SQLITE_TEXT: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        const int n = sqlite3_column_bytes(stmt, col);
        std::string_view s(p ? p : "", p ? static_cast<std::size_t>(n) : 0);
        const char* decl = sqlite3_column_decltype(stmt, col);
        if (decl) {
            if (const auto width = charWidth(decl))
                return DbValue(padToWidth(s, *width));
        }
        return DbValue(s);
    }
    default:
        return DbValue::null();
    }
}

int bind(sqlite3_stmt* stmt, int index, const DbValue& value)
{
    switch (value.type()) {
    case DbValue::Type::Null:
        return sqlite3_bind_null(stmt, index);
    case DbValue::Type::Integer:
        return sqlite3_bind_int64(stmt, index, value.asInt64());
    case DbValue::Type::Real:
        return sqlite3_bind_double(stmt, index, value.asReal());
    case DbValue::Type::Text: {
        const auto b = value.bytes();
        return sqlite3_bind_text64(stmt, index, b.data(), b.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    case DbValue::Type::Blob: {
        const auto b = value.bytes();
        // A zero-length blob is still a blob, not null.
        return sqlite3_bind_blob64(stmt, index, b.empty() ? "" : b.data(), b.size(), SQLITE_TRANSIENT);
    }
    }
    return SQLITE_MISUSE;
}

} // namespace kavro::columns
