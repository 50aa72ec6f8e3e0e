#pragma once

#include "catalogue/database/DbResult.h"

#include <string_view>

namespace kavro {

class Database;

// The command object: runs a statement in the catalogue's own (Jet) dialect, translating table
// definitions for SQLite. A CREATE TABLE also sets up the numbering of its COUNTER columns.
class DbCommand {
public:
    explicit DbCommand(Database& db) : m_db(db) {}
    DbStatus execute(std::string_view jetSql);

private:
    Database& m_db;
};

} // namespace kavro
