#include "catalogue/import/OldCatalogueImport.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/import/CatalogueRestoreWalk.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "platform/Text.h"

#include <chrono>
#include <map>

namespace kavro {

namespace {

using RowStart = CatalogueRestoreSession::RowStart;
using Match = CatalogueRestoreSession::Match;

// The category of a row without "Category=" in its Misc1, by name: the source's own CATEGORY row
// of the row's id (ids of two catalogues need not agree), else the row's Categoryname. Empty when
// neither names one.
std::string categoryNameOf(const OldDiscRow& row, const std::map<int, std::string>& sourceCategories)
{
    if (row.category) {
        const auto it = sourceCategories.find(*row.category);
        if (it != sourceCategories.end() && !it->second.empty())
            return it->second;
    }
    return text::trimBlanks(row.categoryName);
}

DbStatus writeOldRow(CatalogueRestoreSession& session, const OldDiscRow& row, RowStart start,
                     const std::map<int, std::string>& sourceCategories)
{
    const OldMisc1 misc = ParseOldMisc1(row.misc1);
    DbStatus s;
    if (start == RowStart::Appended) {
        s = session.set("CreateDate", DbValue(CatalogueTimestamp(std::chrono::system_clock::now())));
        if (s && misc.hasCategory) {
            auto id = session.categoryId(misc.category, Match::IgnoreCase);
            if (!id)
                return id.status();
            s = session.set("Categoryname", DbValue(misc.category));
            if (s)
                s = session.set("TitleA", DbValue(misc.title));
            if (s)
                s = session.set("Barcode", DbValue(misc.barcode));
            if (s)
                s = session.set("Category", DbValue(*id));
        } else if (s) {
            const std::string name = categoryNameOf(row, sourceCategories);
            if (!name.empty()) {
                auto id = session.categoryId(name, Match::IgnoreCase);
                if (!id)
                    return id.status();
                s = session.set("Category", DbValue(*id));
                if (s)
                    s = session.set("Categoryname", DbValue(name));
            } else if (row.category) {
                s = session.set("Category", DbValue(*row.category));
            }
            // A row kept in the newer form carries its title and barcode in columns.
            if (s)
                s = session.fill("TitleA", DbValue(text::trimBlanks(row.title)));
            if (s)
                s = session.fill("Barcode", DbValue(text::trimBlanks(row.barcode)));
        }
    } else if (misc.hasCategory) {
        // An overwritten row keeps its Category.
        s = session.set("Categoryname", DbValue(misc.category));
        if (s)
            s = session.set("TitleA", DbValue(misc.title));
        if (s)
            s = session.set("Barcode", DbValue(misc.barcode));
    }
    if (s)
        s = session.fill("Misc1", DbValue(row.misc1));
    if (s)
        s = session.fill("Remark", DbValue(row.remark));
    if (s && !row.treeIndex.empty() && session.mayFill("TreeIndex")) {
        s = session.set("TreeIndexS", DbValue(row.treeIndexCount));
        if (s)
            s = session.set("TreeDataS", DbValue(row.treeDataCount));
        if (s)
            s = session.set("TreeIndex", DbValue::blob(row.treeIndex));
        if (s)
            s = session.set("TreeData", row.treeData.empty() ? DbValue::null() : DbValue::blob(row.treeData));
    }
    if (s)
        s = session.fill("Pic", DbValue::blob(row.picture));
    return s;
}

} // namespace

OldMisc1 ParseOldMisc1(std::string_view misc1)
{
    OldMisc1 r;
    const auto category = misc1.find("Category=");
    if (category == std::string_view::npos)
        return r;
    r.hasCategory = true;
    auto lineEnd = [&](std::size_t from) {
        const auto end = misc1.find_first_of("\r\n", from);
        return end == std::string_view::npos ? misc1.size() : end;
    };
    const std::size_t nameStart = category + 9;
    r.category = text::trimBlanks(misc1.substr(nameStart, lineEnd(nameStart) - nameStart));

    if (const auto title = misc1.find("Title=", category); title != std::string_view::npos) {
        const std::size_t from = title + 6;
        auto to = misc1.find("Barcode", from);
        if (to == std::string_view::npos)
            to = lineEnd(from);
        r.title = text::trimBlanks(misc1.substr(from, to - from));
    }
    if (const auto barcode = misc1.find("Barcode=", category); barcode != std::string_view::npos) {
        const std::size_t from = barcode + 8;
        const auto to = misc1.find("Other", from);
        if (to != std::string_view::npos)
            r.barcode = text::trimBlanks(misc1.substr(from, to - from));
    }
    return r;
}

CatalogueRestoreResult ImportOldCatalogue(Catalogue& catalogue, const ImportRegistry* registry,
                                          const std::filesystem::path& folder)
{
    CatalogueRestoreResult result;
    const auto file = FindCatalogueFile(folder, "KAVRO.MDB");
    if (file.empty())
        return ReportRestoreFailure(catalogue, result, (folder / "KAVRO.MDB").string() + " does not exist.");
    auto source = OpenOldCatalogue(file);
    if (!source)
        return ReportRestoreFailure(catalogue, result, source.error());
    return ImportOldCatalogue(catalogue, registry, **source);
}

CatalogueRestoreResult ImportOldCatalogue(Catalogue& catalogue, const ImportRegistry* registry,
                                          OldCatalogueSource& source)
{
    CatalogueRestoreResult result;
    auto categories = source.categories();
    if (!categories)
        return ReportRestoreFailure(catalogue, result, categories.error());
    std::map<int, std::string> byId;
    for (const auto& c : *categories)
        byId.emplace(c.id, text::trimBlanks(c.name));
    return RunRestoreWalk(catalogue, registry, source, [&](auto& session, const auto& row, auto start) {
        return writeOldRow(session, row, start, byId);
    });
}

} // namespace kavro
