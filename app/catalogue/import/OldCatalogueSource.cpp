#include "catalogue/import/OldCatalogueSource.h"

#include "content/TreeNameConversion.h"
#include "platform/Text.h"

#include "catalogue/import/OldCatalogueJetSource.h"
#include "catalogue/import/OldCatalogueSqliteSource.h"

#include <cstdint>
#include <fstream>

namespace kavro {

namespace {

std::optional<int> int32Of(const DbValue& v)
{
    if (v.isNull())
        return std::nullopt;
    if (v.type() == DbValue::Type::Real) {
        const double d = v.asReal();
        if (!(d >= INT32_MIN && d <= INT32_MAX))
            return std::nullopt;
        return static_cast<int>(d);
    }
    if (v.type() == DbValue::Type::Blob)
        return std::nullopt;
    if (v.type() == DbValue::Type::Text) {
        // Only a text that is a number counts, as it would in a number column.
        const std::string t(v.bytes());
        std::size_t i = t.find_first_not_of(" \t");
        if (i == std::string::npos)
            return std::nullopt;
        if (t[i] == '+' || t[i] == '-')
            ++i;
        if (i >= t.size() || t[i] < '0' || t[i] > '9')
            return std::nullopt;
    }
    const std::int64_t n = v.asInt64();
    if (n < INT32_MIN || n > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(n);
}

std::string bytesOf(const DbValue& v)
{
    return v.isNull() ? std::string() : v.asText();
}

} // namespace

OldDiscRow DiscRowFromFields(const std::function<DbValue(std::string_view)>& field)
{
    OldDiscRow r;
    r.slot = int32Of(field("Slot")).value_or(0);
    r.machine = int32Of(field("MachineNo")).value_or(0);
    r.category = int32Of(field("Category"));
    r.categoryName = bytesOf(field("Categoryname"));
    r.title = bytesOf(field("TitleA"));
    r.barcode = bytesOf(field("Barcode"));
    r.misc1 = bytesOf(field("Misc1"));
    r.remark = bytesOf(field("Remark"));
    r.treeIndexCount = int32Of(field("TreeIndexS")).value_or(0);
    r.treeDataCount = int32Of(field("TreeDataS")).value_or(0);
    r.treeIndex = bytesOf(field("TreeIndex"));
    r.treeData = bytesOf(field("TreeData"));
    // The older Windows program stored the tree's names in Big5: they become UTF-8 by the same
    // rule as every other text of the row.
    (void)ConvertTreeNames(r.treeIndexCount, r.treeIndex, r.treeDataCount, r.treeData,
                           [](std::string_view name) { return text::decodeLegacy(name); });
    r.picture = bytesOf(field("Pic"));
    r.created = bytesOf(field("CreateDate"));
    r.deviceType = bytesOf(field("Devicetype"));
    return r;
}

OldMachineRow MachineRowFromFields(const std::function<DbValue(std::string_view)>& field)
{
    OldMachineRow r;
    r.deviceNo = bytesOf(field("DEVICENO"));
    r.name = bytesOf(field("DEVICENAME"));
    r.type = bytesOf(field("DEVICETYPE"));
    r.active = int32Of(field("DEVICEACT")).value_or(0);
    return r;
}

OldCategoryRow CategoryRowFromFields(const std::function<DbValue(std::string_view)>& field)
{
    OldCategoryRow r;
    r.name = bytesOf(field("CATEGORYNAME"));
    r.id = int32Of(field("CATEGORYID")).value_or(0);
    return r;
}

CatalogueFileKind DetectCatalogueFileKind(const std::filesystem::path& file)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return CatalogueFileKind::Missing;
    std::ifstream in(file, std::ios::binary);
    char header[32] = {};
    in.read(header, sizeof header);
    const std::string_view head(header, static_cast<std::size_t>(in.gcount()));
    static constexpr std::string_view kSqlite("SQLite format 3\0", 16);
    static constexpr std::string_view kJetStart("\0\1\0\0", 4);
    if (head.substr(0, 16) == kSqlite)
        return CatalogueFileKind::Sqlite;
    if (head.size() >= 19 && head.substr(0, 4) == kJetStart &&
        (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB"))
        return CatalogueFileKind::Jet;
    return CatalogueFileKind::Other;
}

DbResult<std::unique_ptr<OldCatalogueSource>> OpenOldCatalogue(const std::filesystem::path& file)
{
    using Result = DbResult<std::unique_ptr<OldCatalogueSource>>;
    switch (DetectCatalogueFileKind(file)) {
    case CatalogueFileKind::Missing:
        return Result::failure("The catalogue file " + file.string() + " does not exist.");
    case CatalogueFileKind::Sqlite: {
        auto source = std::make_unique<OldCatalogueSqliteSource>();
        if (auto s = source->open(file); !s)
            return s;
        return Result(std::unique_ptr<OldCatalogueSource>(std::move(source)));
    }
    case CatalogueFileKind::Jet: {
        auto source = std::make_unique<OldCatalogueJetSource>();
        if (auto s = source->open(file); !s)
            return s;
        return Result(std::unique_ptr<OldCatalogueSource>(std::move(source)));
    }
    case CatalogueFileKind::Other:
        break;
    }
    return Result::failure("The file " + file.string() + " is not a catalogue (neither SQLite nor Jet).");
}

} // namespace kavro
