#pragma once

#include "catalogue/import/JetReader.h"
#include "catalogue/import/OldCatalogueSource.h"

namespace kavro {

// A Jet catalogue of the older Windows program (KAVRO.MDB, or its KAVRO2.MDB), read through
// mdbtools.
class OldCatalogueJetSource final : public OldCatalogueSource {
public:
    DbStatus open(const std::filesystem::path& file);

    const std::filesystem::path& file() const override { return m_reader.file(); }
    int discCount() const override { return m_discs ? m_discs->rowCount() : 0; }
    DbResult<bool> nextDisc(OldDiscRow& row) override;
    DbResult<std::vector<OldMachineRow>> machines() override;
    DbResult<std::vector<OldCategoryRow>> categories() override;

private:
    // The rows of a table that may be missing (then none).
    DbStatus forEachRow(std::string_view table,
                        const std::function<void(const std::function<DbValue(std::string_view)>&)>& visit);

    // Declared before the table so that the table is released first.
    JetReader m_reader;
    std::unique_ptr<JetTable> m_discs;
};

} // namespace kavro
