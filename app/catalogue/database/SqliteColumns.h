#pragma once

#include "catalogue/database/DbValue.h"

#include <optional>
#include <string>
#include <string_view>

struct sqlite3_stmt;

// Reading and writing values of the catalogue's column types. CHAR (n) columns hold n
// characters: values come back padded with blanks to the width and are cut to it on the way in.
namespace kavro::columns {

// The width n of a declared type "CHAR(n)" (also "CHAR (n)", any case); nullopt for other types.
std::optional<int> charWidth(std::string_view declaredType);

// True for the declared types whose values are raw bytes (BLOB, LONGBINARY).
bool isBlobType(std::string_view declaredType);

// Number of characters of UTF-8 text (an invalid byte counts as one character).
std::size_t characterCount(std::string_view s);

// s padded with blanks to width characters (longer texts are left as they are).
std::string padToWidth(std::string_view s, int width);

// s cut to at most width characters, never inside a character.
std::string cutToWidth(std::string_view s, int width);

// Column col of the current row of stmt, CHAR values padded to their declared width.
DbValue read(sqlite3_stmt* stmt, int col);

// Binds value to parameter index (1-based) of stmt; returns the SQLite result code.
int bind(sqlite3_stmt* stmt, int index, const DbValue& value);

} // namespace kavro::columns
