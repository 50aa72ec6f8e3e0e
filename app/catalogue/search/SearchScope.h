#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kavro {

class CategoryList;
class TreeNode;

// The categories a search covers, rebuilt for every search, and the categories loaded when it
// was built (a disc filed under an id that none of them has is found by every search).
class SearchScope {
public:
    void clear();
    const std::vector<int>& ids() const { return m_ids; }
    int count() const { return static_cast<int>(m_ids.size()); }
    bool empty() const { return m_ids.empty(); }

    void add(int id);
    // Takes the loaded categories: their ids, and for each id the name of the first of them.
    void setKnown(const CategoryList& categories);

    bool contains(int id) const { return m_inScope.count(id) != 0; }
    bool isKnown(int id) const { return m_known.count(id) != 0; }
    // The category's name, trimmed; "Other" for an id no loaded category has.
    std::string categoryName(int id) const;

private:
    std::vector<int> m_ids;
    std::unordered_set<int> m_inScope;
    std::unordered_map<int, const TreeNode*> m_known;
};

// Fills scope from node: a pre-order walk of its subtree that takes the id of every category
// node met and descends only through category nodes, passing over discs, folders and search
// tabs. CategoryRoot gives every category. Returns the number of ids.
int BuildScope(SearchScope& scope, const TreeNode& node, const CategoryList& categories);

// True when the id is in the scope or belongs to no loaded category at all; false for a loaded
// category outside it.
bool InScope(const SearchScope& scope, int categoryId);

} // namespace kavro
