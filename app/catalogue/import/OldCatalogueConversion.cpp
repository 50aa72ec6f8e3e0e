#include "catalogue/import/OldCatalogueConversion.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/database/CatalogueSchema.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "catalogue/database/Transaction.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace kavro {

namespace {

namespace fs = std::filesystem;

DbValue textOrNull(const std::string& s)
{
    return s.empty() ? DbValue::null() : DbValue(s);
}

DbValue blobOrNull(const std::string& s)
{
    return s.empty() ? DbValue::null() : DbValue::blob(s);
}

DbStatus copyDisc(DiscCursor& cursor, const OldDiscRow& row)
{
    const std::pair<const char*, DbValue> fields[] = {
        {"Slot", DbValue(row.slot)},
        {"MachineNo", DbValue(row.machine)},
        {"Categoryname", textOrNull(text::trimBlanks(row.categoryName))},
        {"TitleA", textOrNull(text::trimBlanks(row.title))},
        {"Barcode", textOrNull(text::trimBlanks(row.barcode))},
        {"Misc1", textOrNull(row.misc1)},
        {"Remark", textOrNull(row.remark)},
        {"TreeIndex", blobOrNull(row.treeIndex)},
        {"TreeData", blobOrNull(row.treeData)},
        {"Pic", blobOrNull(row.picture)},
        {"TreeIndexS", DbValue(row.treeIndexCount)},
        {"TreeDataS", DbValue(row.treeDataCount)},
        {"Category", row.category ? DbValue(*row.category) : DbValue::null()},
        {"CreateDate", textOrNull(row.created)},
        {"Devicetype", textOrNull(text::trimBlanks(row.deviceType))},
    };
    if (auto s = cursor.append(); !s)
        return s;
    for (const auto& [column, value] : fields) {
        if (auto s = cursor.setField(column, value); !s) {
            cursor.cancel();
            return s;
        }
    }
    auto s = cursor.post();
    if (!s)
        cursor.cancel();
    return s;
}

fs::path keptName(const fs::path& file)
{
    std::error_code ec;
    fs::path kept = file.string() + ".jet";
    for (int n = 2; fs::exists(kept, ec); ++n)
        kept = file.string() + ".jet." + std::to_string(n);
    return kept;
}

} // namespace

bool IsJetCatalogue(const fs::path& programFolder)
{
    return DetectCatalogueFileKind(programFolder / schema::kFileName) == CatalogueFileKind::Jet;
}

DbResult<CatalogueConversion> CopyOldCatalogue(OldCatalogueSource& source, Catalogue& catalogue)
{
    CatalogueConversion done;
    auto machines = source.machines();
    if (!machines)
        return machines.status();
    auto categories = source.categories();
    if (!categories)
        return categories.status();

    DbStatus s = runInTransaction(catalogue.database(), [&]() -> DbStatus {
        DiscCursor& cursor = catalogue.discCursor();
        OldDiscRow row;
        for (;;) {
            auto more = source.nextDisc(row);
            if (!more)
                return more.status();
            if (!*more)
                break;
            if (auto c = copyDisc(cursor, row); !c)
                return c;
            ++done.discs;
            catalogue.clock().processEvents();
        }
        Query& change = catalogue.changeQuery();
        for (const OldMachineRow& m : *machines) {
            change.close();
            change.setSql("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) "
                          "VALUES(:DEVICENO,:DEVICENAME,:DEVICETYPE,:DEVICEACT)");
            change.setParam("DEVICENO", DbValue(text::trimBlanks(m.deviceNo)));
            change.setParam("DEVICENAME", DbValue(text::trimBlanks(m.name)));
            change.setParam("DEVICETYPE", DbValue(text::trimBlanks(m.type)));
            change.setParam("DEVICEACT", DbValue(m.active));
            if (auto r = change.execute(); !r)
                return r.status();
            ++done.machines;
        }
        for (const OldCategoryRow& c : *categories) {
            change.close();
            change.setSql("INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)");
            change.setParam("CATEGORYNAME", DbValue(text::trimBlanks(c.name)));
            change.setParam("CATEGORYID", DbValue(c.id));
            if (auto r = change.execute(); !r)
                return r.status();
            ++done.categories;
        }
        change.close();
        return {};
    });
    catalogue.discCursor().requery();
    if (!s)
        return s;
    return done;
}

DbResult<CatalogueConversion> ConvertJetCatalogue(const fs::path& programFolder, Person& person,
                                                  const Texts& texts, Clock& clock)
{
    const fs::path file = programFolder / schema::kFileName;
    if (DetectCatalogueFileKind(file) != CatalogueFileKind::Jet)
        return DbResult<CatalogueConversion>::failure(file.string() + " is not a Jet catalogue.");
    // Read it once before anything moves: a file that cannot be read stays where it is.
    {
        auto probe = OpenOldCatalogue(file);
        if (!probe)
            return probe.status();
    }
    const fs::path kept = keptName(file);
    std::error_code ec;
    fs::rename(file, kept, ec);
    if (ec)
        return DbResult<CatalogueConversion>::failure("Cannot rename " + file.string() + ": " + ec.message());

    auto putBack = [&](const std::string& why) {
        std::error_code ignored;
        fs::remove(file, ignored);
        fs::rename(kept, file, ignored);
        return DbResult<CatalogueConversion>::failure("The catalogue " + file.string() +
                                                      " cannot be converted: " + why);
    };
    auto source = OpenOldCatalogue(kept);
    if (!source)
        return putBack(source.error());
    DbResult<CatalogueConversion> done = DbStatus::failure("not run");
    {
        Catalogue fresh(programFolder, person, texts, clock);
        if (auto s = fresh.open(); !s)
            return putBack(s.error());
        done = CopyOldCatalogue(**source, fresh);
        fresh.close();
    }
    if (!done)
        return putBack(done.error());
    done->keptFile = kept;
    return done;
}

} // namespace kavro
