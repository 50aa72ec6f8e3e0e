#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/database/DbValue.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// One row of an older catalogue's disc table KAVRO. Texts are UTF-8 as stored (not trimmed);
// empty texts and blobs stand for null ones too.
struct OldDiscRow {
    int slot = 0;
    int machine = 0;
    std::optional<int> category; // Category; nullopt when null or not a number
    std::string categoryName;    // Categoryname
    std::string title;           // TitleA
    std::string barcode;
    std::string misc1;
    std::string remark;
    int treeIndexCount = 0; // TreeIndexS
    int treeDataCount = 0;  // TreeDataS
    std::string treeIndex;
    std::string treeData;
    std::string picture; // Pic
    std::string created; // CreateDate as "YYYY-MM-DD HH:MM:SS"; empty when null
    std::string deviceType;
};

// One row of CDDEVICE.
struct OldMachineRow {
    std::string deviceNo; // DEVICENO as stored
    std::string name;
    std::string type;
    int active = 0;
};

// One row of CATEGORY.
struct OldCategoryRow {
    std::string name;
    int id = 0;
};

// One row of CATEGORYTREE, the nesting of a catalogue of this program: the category of id
// categoryId sits under the one of parentId (0: at the top), rows in tree order.
struct OldNestingRow {
    int categoryId = 0;
    int parentId = 0;
};

// An older catalogue file read row by row: our own SQLite KAVRO2.MDB (a backup), or a Jet
// KAVRO.MDB or KAVRO2.MDB of the older Windows program. The imports and the restore read
// through this, whatever the file's format.
class OldCatalogueSource {
public:
    virtual ~OldCatalogueSource() = default;

    virtual const std::filesystem::path& file() const = 0;
    // Number of disc rows, for the progress bar.
    virtual int discCount() const = 0;
    // The next disc row in table order; false after the last. A row that cannot be read is an
    // error: the file is damaged.
    virtual DbResult<bool> nextDisc(OldDiscRow& row) = 0;
    // The rows of CDDEVICE and CATEGORY; none when the file lacks the table.
    virtual DbResult<std::vector<OldMachineRow>> machines() = 0;
    virtual DbResult<std::vector<OldCategoryRow>> categories() = 0;
    // The rows of CATEGORYTREE; none when the file lacks the table (a flat tree, or a file of the
    // older program, which keeps no nesting).
    virtual DbResult<std::vector<OldNestingRow>> nesting() { return std::vector<OldNestingRow>{}; }
};

enum class CatalogueFileKind { Missing, Sqlite, Jet, Other };

// What a file is, by its first bytes ("SQLite format 3\0", or "\0\1\0\0Standard Jet DB" and its
// Access 2007 sibling "Standard ACE DB"), never by its name.
CatalogueFileKind DetectCatalogueFileKind(const std::filesystem::path& file);

// Opens an older catalogue of either format for reading; its table KAVRO must exist.
DbResult<std::unique_ptr<OldCatalogueSource>> OpenOldCatalogue(const std::filesystem::path& file);

// A disc row from the fields of a source row, looked up by column name (without regard to
// case; a missing column gives null). Numbers outside 32 bits read as 0.
OldDiscRow DiscRowFromFields(const std::function<DbValue(std::string_view column)>& field);
OldMachineRow MachineRowFromFields(const std::function<DbValue(std::string_view column)>& field);
OldCategoryRow CategoryRowFromFields(const std::function<DbValue(std::string_view column)>& field);

} // namespace kavro
