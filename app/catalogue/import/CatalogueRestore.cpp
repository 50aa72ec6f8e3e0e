#include "catalogue/import/CatalogueRestore.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueBackup.h"
#include "catalogue/import/CatalogueRestoreWalk.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/import/OldCatalogueImport.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <chrono>
#include <map>

namespace kavro {

namespace {

using RowStart = CatalogueRestoreSession::RowStart;
using Match = CatalogueRestoreSession::Match;

DbStatus writeBackupRow(CatalogueRestoreSession& session, const OldDiscRow& row, RowStart start,
                        const std::map<int, std::string>& backupCategories)
{
    // A disc moved to another category keeps its old Categoryname; its id names the category it
    // is in, so the backup's own name for that id comes first.
    std::string category = text::trimBlanks(row.categoryName);
    if (row.category) {
        const auto it = backupCategories.find(*row.category);
        if (it != backupCategories.end() && !it->second.empty())
            category = it->second;
    }
    DbStatus s;
    if (start == RowStart::Appended)
        s = session.set("CreateDate", DbValue(CatalogueTimestamp(std::chrono::system_clock::now())));
    const std::pair<const char*, std::string> texts[] = {
        {"Categoryname", category},
        {"TitleA", text::trimBlanks(row.title)},
        {"Barcode", text::trimBlanks(row.barcode)},
        {"Misc1", text::trimBlanks(row.misc1)},
        {"Remark", text::trimBlanks(row.remark)},
    };
    for (const auto& [column, value] : texts) {
        if (s)
            s = session.set(column, DbValue(value));
    }
    if (!s)
        return s;
    auto id = session.categoryId(category, Match::IgnoreCase);
    if (!id)
        return id.status();
    s = session.set("Category", DbValue(*id));
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

bool containsAfterFirst(const std::string& path, std::string_view name)
{
    const auto at = text::upperAscii(path).find(name);
    return at != std::string::npos && at >= 1;
}

using ReplaceFromSource = CatalogueRestoreResult (*)(Catalogue&, const ImportRegistry*, OldCatalogueSource&);

// The catalogue file of that name in the chosen folder, opened, and replace run once the person has
// seen which file it is and how many discs come and go.
CatalogueRestoreResult askedReplace(Catalogue& catalogue, const ImportRegistry* registry,
                                    const std::string& folder, std::string_view name, ReplaceFromSource replace)
{
    CatalogueRestoreResult result;
    const auto file = FindCatalogueFile(std::filesystem::path(folder), name);
    if (file.empty())
        return ReportRestoreFailure(catalogue, result,
                                    (std::filesystem::path(folder) / name).string() + " does not exist.");
    auto source = OpenOldCatalogue(file);
    if (!source)
        return ReportRestoreFailure(catalogue, result, source.error());
    if (!ConfirmCatalogueReplace(catalogue, file.string(), (*source)->discCount()))
        return result;
    return replace(catalogue, registry, **source);
}

// A safety copy of Backup/ is restored from the file itself, after the person has seen which one
// it is (its time) and how many discs come and go.
CatalogueRestoreResult restoreSafetyCopy(Catalogue& catalogue, const ImportRegistry* registry,
                                         const std::filesystem::path& file, const SafetyCopyName& name);

} // namespace

CatalogueRestoreResult RestoreFromBackup(Catalogue& catalogue, const ImportRegistry* registry,
                                         const std::filesystem::path& folder)
{
    CatalogueRestoreResult result;
    const auto file = FindCatalogueFile(folder, "KAVRO2.MDB");
    if (file.empty())
        return ReportRestoreFailure(catalogue, result, (folder / "KAVRO2.MDB").string() + " does not exist.");
    auto source = OpenOldCatalogue(file);
    if (!source)
        return ReportRestoreFailure(catalogue, result, source.error());
    return RestoreFromBackup(catalogue, registry, **source);
}

CatalogueRestoreResult RestoreFromBackup(Catalogue& catalogue, const ImportRegistry* registry,
                                         OldCatalogueSource& source)
{
    CatalogueRestoreResult result;
    auto categories = source.categories();
    if (!categories)
        return ReportRestoreFailure(catalogue, result, categories.error());
    std::map<int, std::string> byId;
    for (const auto& c : *categories)
        byId.emplace(c.id, text::trimBlanks(c.name));
    auto nesting = source.nesting();
    if (!nesting)
        return ReportRestoreFailure(catalogue, result, nesting.error());
    // A nested backup brings its tree over as it was built, empty parent categories included; a
    // flat one (or one of the older program) only the categories its discs are filed under.
    const auto bringNesting = [&](CatalogueRestoreSession& session) -> DbStatus {
        for (const auto& [id, parentId] : *nesting) {
            const auto name = byId.find(id);
            if (name == byId.end() || name->second.empty())
                continue;
            std::string parentName;
            if (parentId != 0) {
                const auto parent = byId.find(parentId);
                if (parent == byId.end())
                    continue;
                parentName = parent->second;
            }
            if (auto s = session.nest(name->second, parentName); !s)
                return s;
        }
        return {};
    };
    return RunRestoreWalk(
        catalogue, registry, source,
        [&](auto& session, const auto& row, auto start) { return writeBackupRow(session, row, start, byId); },
        bringNesting);
}

CatalogueRestoreResult RunRestore(Catalogue& catalogue, const ImportRegistry* registry,
                                  const std::string& chosenFolder, const std::string& chosenFile)
{
    if (chosenFolder.empty())
        return {};
    CatalogueRestoreResult result;
    std::error_code ec;
    const std::filesystem::path chosen(chosenFile);
    if (!chosenFile.empty() && std::filesystem::is_regular_file(chosen, ec)) {
        if (const auto copy = ParseSafetyCopyName(chosen.filename().string()))
            result = restoreSafetyCopy(catalogue, registry, chosen, *copy);
        else if (containsAfterFirst(chosenFile, "KAVRO.MDB"))
            result = askedReplace(catalogue, registry, chosenFolder, "KAVRO.MDB", ImportOldCatalogue);
        else if (containsAfterFirst(chosenFile, "KAVRO2.MDB"))
            result = askedReplace(catalogue, registry, chosenFolder, "KAVRO2.MDB", RestoreFromBackup);
        else
            ReportRestoreFailure(catalogue, result,
                                 chosenFile + " is neither a backup (KAVRO2.MDB or a safety copy "
                                              "KAVRO2-date-time.MDB) nor an older catalogue (KAVRO.MDB).");
    } else {
        ReportRestoreFailure(catalogue, result, "No catalogue file was chosen.");
    }
    // Only a changed catalogue needs the program to start again; otherwise it goes on as it was.
    result.endProgram = result.changed;
    return result;
}

std::string DescribeSafetyCopy(const std::filesystem::path& file, const Texts& texts)
{
    const auto name = ParseSafetyCopyName(file.filename().string());
    if (!name)
        return {};
    const auto source = OpenOldCatalogue(file);
    if (!source)
        return name->shownTime();
    std::string shown = texts.text("5400", "%1, %2 discs");
    for (const auto& [mark, value] : {std::pair<std::string_view, std::string>{"%1", name->shownTime()},
                                      {"%2", std::to_string((*source)->discCount())}})
        if (const auto at = shown.find(mark); at != std::string::npos)
            shown.replace(at, mark.size(), value);
    return shown;
}

namespace {

CatalogueRestoreResult restoreSafetyCopy(Catalogue& catalogue, const ImportRegistry* registry,
                                         const std::filesystem::path& file, const SafetyCopyName& name)
{
    CatalogueRestoreResult result;
    auto source = OpenOldCatalogue(file);
    if (!source)
        return ReportRestoreFailure(catalogue, result, source.error());
    const std::string copy =
        text::fillIn(catalogue.texts().text("5105", "%1 的安全備份"), {name.shownTime()});
    if (!ConfirmCatalogueReplace(catalogue, copy, (*source)->discCount()))
        return result;
    return RestoreFromBackup(catalogue, registry, **source);
}

} // namespace

} // namespace kavro
