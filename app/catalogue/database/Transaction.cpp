#include "catalogue/database/Transaction.h"

#include "catalogue/database/Database.h"

namespace kavro {

namespace {
constexpr const char* kSavepoint = "kavro_change";
}

Transaction::Transaction(Database& db) : m_db(db)
{
    m_began = m_db.exec(std::string("SAVEPOINT ") + kSavepoint);
    m_open = m_began.ok();
}

Transaction::~Transaction()
{
    rollback();
}

DbStatus Transaction::commit()
{
    if (!m_open)
        return m_began.ok() ? DbStatus::failure("The transaction has already ended.") : m_began;
    auto s = m_db.exec(std::string("RELEASE ") + kSavepoint);
    if (!s) {
        rollback();
        return s;
    }
    m_open = false;
    return {};
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    (void)m_db.exec(std::string("ROLLBACK TO ") + kSavepoint);
    (void)m_db.exec(std::string("RELEASE ") + kSavepoint);
    m_db.noteRollback();
}

DbStatus runInTransaction(Database& db, const std::function<DbStatus()>& work)
{
    Transaction t(db);
    if (!t.began())
        return t.began();
    if (auto s = work(); !s)
        return s; // the destructor rolls back
    return t.commit();
}

} // namespace kavro
