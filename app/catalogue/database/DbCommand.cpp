#include "catalogue/database/DbCommand.h"

#include "catalogue/database/Database.h"
#include "catalogue/database/JetSchema.h"
#include "catalogue/database/Transaction.h"

namespace kavro {

DbStatus DbCommand::execute(std::string_view jetSql)
{
    const auto t = jet::translate(jetSql);
    if (t.table.empty())
        return m_db.exec(t.sql);
    return runInTransaction(m_db, [&]() -> DbStatus {
        if (auto s = m_db.exec(t.sql); !s)
            return s;
        for (const auto& c : t.counters) {
            for (const auto& statement : jet::counterStatements(t.table, c, true)) {
                if (auto s = m_db.exec(statement); !s)
                    return s;
            }
        }
        return {};
    });
}

} // namespace kavro
