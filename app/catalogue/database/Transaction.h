#pragma once

#include "catalogue/database/DbResult.h"

#include <functional>

namespace kavro {

class Database;

// All or nothing for an operation that changes many rows. Made of SQLite savepoints, so one
// transaction may run inside another (an inner commit only becomes final with the outer one).
// Destroying an uncommitted transaction rolls it back.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether the transaction began; when not, began().error() says why.
    const DbStatus& began() const { return m_began; }

    DbStatus commit();
    void rollback();

private:
    Database& m_db;
    DbStatus m_began;
    bool m_open = false;
};

// Runs work in one transaction: commits when it returns success, rolls back otherwise.
DbStatus runInTransaction(Database& db, const std::function<DbStatus()>& work);

} // namespace kavro
