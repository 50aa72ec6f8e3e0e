#include "catalogue/import/OldCatalogueJetSource.h"

namespace kavro {

DbStatus OldCatalogueJetSource::open(const std::filesystem::path& file)
{
    m_discs.reset();
    if (auto s = m_reader.open(file); !s)
        return s;
    auto table = m_reader.table("KAVRO");
    if (!table)
        return table.status();
    m_discs = std::move(*table);
    return {};
}

DbResult<bool> OldCatalogueJetSource::nextDisc(OldDiscRow& row)
{
    if (!m_discs)
        return DbResult<bool>::failure("The catalogue " + file().string() + " is not open.");
    if (!m_discs->next())
        return false;
    row = DiscRowFromFields([this](std::string_view column) { return m_discs->value(column); });
    return true;
}

DbStatus OldCatalogueJetSource::forEachRow(
    std::string_view table, const std::function<void(const std::function<DbValue(std::string_view)>&)>& visit)
{
    if (m_reader.findTable(table).empty())
        return {};
    auto t = m_reader.table(table);
    if (!t)
        return t.status();
    JetTable& rows = **t;
    const auto field = [&rows](std::string_view column) { return rows.value(column); };
    while (rows.next())
        visit(field);
    return {};
}

DbResult<std::vector<OldMachineRow>> OldCatalogueJetSource::machines()
{
    std::vector<OldMachineRow> rows;
    auto s = forEachRow("CDDEVICE", [&](const auto& field) { rows.push_back(MachineRowFromFields(field)); });
    if (!s)
        return s;
    return rows;
}

DbResult<std::vector<OldCategoryRow>> OldCatalogueJetSource::categories()
{
    std::vector<OldCategoryRow> rows;
    auto s = forEachRow("CATEGORY", [&](const auto& field) { rows.push_back(CategoryRowFromFields(field)); });
    if (!s)
        return s;
    return rows;
}

} // namespace kavro
