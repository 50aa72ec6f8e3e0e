#pragma once

#include "catalogue/database/DbResult.h"
#include "catalogue/database/DbValue.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class ImportRegistry;
class OldCatalogueSource;
class Transaction;
class TreeNode;

// An import or restore in progress, which replaces the catalogue's discs all at once or not at
// all. begin() copies the catalogue into Backup/ and opens one transaction in which the disc
// table is emptied; the rows written afterwards, the categories found or made for them and the
// machines brought over reach the file only with commit(). Ending it any other way (rollback(),
// a failure in commit(), the destructor) leaves everything as it was before begin(): the file,
// the category tree and CategoryList, and Data/category.txt.
class CatalogueRestoreSession {
public:
    enum class Match { Exact, IgnoreCase };
    enum class RowStart { Appended, Overwriting, Skipped };

    explicit CatalogueRestoreSession(Catalogue& catalogue);
    ~CatalogueRestoreSession();
    CatalogueRestoreSession(const CatalogueRestoreSession&) = delete;
    CatalogueRestoreSession& operator=(const CatalogueRestoreSession&) = delete;

    DbStatus begin();
    bool isActive() const { return m_transaction != nullptr; }
    const std::filesystem::path& safetyCopy() const { return m_safetyCopy; }

    // The id of the category named name (cleaned as category names are stored): a loaded one
    // (an exact match first, then, with IgnoreCase, one that differs only in the case of the
    // letters A to Z), else a new one under CategoryRoot with the next id. 0, no category, for
    // an empty name. A failure when one must be made and CategoryList is full.
    DbResult<int> categoryId(std::string_view name, Match match);
    int categoriesCreated() const { return static_cast<int>(m_createdNodes.size()); }
    // Puts the category named name under the one named parentName (at the top for an empty
    // parentName), each found or made as categoryId does, ignoring case; a move that would put a
    // category inside itself is passed over. Undone by rollback() like the categories made.
    DbStatus nest(std::string_view name, std::string_view parentName);

    // Puts DiscCursor on the row of machine and slot: a new row with Slot and MachineNo set, or,
    // when one exists, the existing row in edit if the person agrees to overwrite. The question
    // (1008) is asked at the first repeat only; its answer stands for the rest of the session.
    DbResult<RowStart> startRow(int machine, int slot);
    // Sets a field of the row started.
    DbStatus set(std::string_view column, DbValue value);
    // Whether a value may go into column: the row is being overwritten or the column is empty.
    bool mayFill(std::string_view column);
    // Sets column to value when value is not empty and mayFill(column).
    DbStatus fill(std::string_view column, DbValue value);
    DbStatus postRow();

    // Appends to CDDEVICE the source's rows of the machines listed (each once) that neither the
    // registry nor the catalogue's CDDEVICE know. The number of rows appended.
    DbResult<int> bringOverMachines(OldCatalogueSource& source, const std::vector<int>& machines,
                                    const ImportRegistry* registry);
    // Whether the registry or CDDEVICE knows the machine.
    DbResult<bool> knowsMachine(int machine, const ImportRegistry* registry);

    // Saves the categories and commits. On failure everything is rolled back.
    DbStatus commit();
    void rollback();

private:
    bool isEmptyValue(const DbValue& v) const;
    TreeNode* categoryNode(int id) const;

    struct Move {
        TreeNode* node;
        TreeNode* from;
    };

    Catalogue& m_catalogue;
    std::unique_ptr<Transaction> m_transaction;
    std::filesystem::path m_safetyCopy;
    std::vector<TreeNode*> m_createdNodes;
    std::vector<Move> m_moves;
    std::optional<bool> m_overwrite;
    bool m_overwriting = false;
};

} // namespace kavro
