#pragma once

#include "catalogue/import/OldCatalogueSource.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kavro {

// A catalogue in this program's own format (a backup KAVRO2.MDB), opened read-only on its own
// connection so that the file is never changed by reading it.
class OldCatalogueSqliteSource final : public OldCatalogueSource {
public:
    OldCatalogueSqliteSource() = default;
    ~OldCatalogueSqliteSource() override;
    OldCatalogueSqliteSource(const OldCatalogueSqliteSource&) = delete;
    OldCatalogueSqliteSource& operator=(const OldCatalogueSqliteSource&) = delete;

    DbStatus open(const std::filesystem::path& file);
    void close();

    const std::filesystem::path& file() const override { return m_file; }
    int discCount() const override { return m_count; }
    DbResult<bool> nextDisc(OldDiscRow& row) override;
    DbResult<std::vector<OldMachineRow>> machines() override;
    DbResult<std::vector<OldCategoryRow>> categories() override;
    DbResult<std::vector<OldNestingRow>> nesting() override;

private:
    DbResult<bool> hasTable(std::string_view name);
    DbStatus failure(std::string_view doing) const;
    // Calls visit for every row of table, fields looked up by name.
    DbStatus forEachRow(std::string_view table,
                        const std::function<void(const std::function<DbValue(std::string_view)>&)>& visit);

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_discs = nullptr;
    std::filesystem::path m_file;
    int m_count = 0;
    int m_read = 0;
};

} // namespace kavro
