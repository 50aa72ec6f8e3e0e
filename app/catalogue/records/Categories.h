#pragma once

#include "catalogue/database/DbResult.h"

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

class Catalogue;
class TreeNode;

// The categories kept in step in three places: the CATEGORY table, the mirror file
// Data/category.txt (one "name,id" line per category in tree order, a tab per level below the
// top, CR LF), and the category tree with CategoryList.

// Rebuilds the category tree and CategoryList: from the table, or, when the table is empty,
// from the mirror file (whose nesting it keeps, inserting the rows). Then SearchRoot and
// LogRoot follow CategoryRoot. The number of categories loaded, or -1 when the table is empty
// and the file cannot be opened.
DbResult<int> LoadCategories(Catalogue& catalogue);

// Writes the mirror file anew from the tree and brings the table in line (a row is matched by
// name first, then by id). The number of lines written, or -1 when the file cannot be created
// (then nothing changes).
DbResult<int> SaveCategories(Catalogue& catalogue);
// The same for a caller with a transaction of its own: the table is brought in line now and the
// mirror file's text handed back, to be written with WriteCategoryMirror once that transaction
// has committed, so categories rolled back never reach the file.
DbResult<int> SaveCategories(Catalogue& catalogue, std::string& mirrorText);
bool WriteCategoryMirror(const Catalogue& catalogue, const std::string& mirrorText);

// Adds a category "New" under CategoryRoot with the next id and saves at once; the caller
// selects it and starts editing its text. nullptr when CategoryList is full or no id is left
// above the ids in use. When a category of that name exists already, the new one is "New (2)",
// "New (3)", ...
DbResult<TreeNode*> NewCategory(Catalogue& catalogue);

// The end of editing a category's text: the node takes the text (cleaned), the categories are
// saved and the tree sorted. False, with nothing changed, when node is no category or another
// category already has that name (rows are matched by name, so two of one name would lose
// one's row).
DbResult<bool> RenameCategory(Catalogue& catalogue, TreeNode& node, std::string_view editedText);

// Whether a category other than except has the name (as CleanCategoryName gives it).
bool CategoryNameTaken(const Catalogue& catalogue, std::string_view name, const TreeNode* except);

// Deletes a category after asking: the discs in it and in its sub-categories, their rows and
// the categories' rows, in one transaction after a safety copy of the catalogue; then the node
// leaves the tree and the categories are saved. False when node is no category or the person
// cancelled.
DbResult<bool> DeleteCategory(Catalogue& catalogue, TreeNode& node);

// A category name as stored: control characters become blanks (a tab or line break would
// corrupt the mirror file), blanks trimmed at both ends, at most 128 characters.
std::string CleanCategoryName(std::string_view text);

// One line of the mirror file: the name before the last comma (after the leading tabs), the
// id after it, the depth (leading tabs + 1). nullopt for lines without a comma or with id 0.
struct CategoryLine {
    std::string name;
    int id = 0;
    int depth = 1;
};
std::optional<CategoryLine> ParseCategoryLine(std::string_view line);

} // namespace kavro
