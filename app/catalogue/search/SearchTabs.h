#pragma once

#include "catalogue/search/SearchRow.h"

#include <chrono>
#include <deque>
#include <string>
#include <vector>

namespace kavro {

class CategoryTree;
class TreeNode;

// One advanced search kept as a tab node under SearchRoot: its number (1, 2, ... in order of
// creation), when it was made, and its hidden list of rows. The node's caption is the text.
struct SearchTab {
    int number = 0;
    std::chrono::system_clock::time_point created;
    std::string text;
    std::vector<SearchRow> rows;
};

// The search tabs of the run of the program. A tab node carries kind SearchTab and, in its
// entry field, the index of its SearchTab here. Tabs keep their address while the object lives.
class SearchTabs {
public:
    // The tab whose node under SearchRoot has exactly text as caption, its rows emptied; else a
    // new tab node (icon 4) added under SearchRoot. nullptr when the tree has no SearchRoot.
    SearchTab* open(CategoryTree& tree, const std::string& text, std::chrono::system_clock::time_point now);

    // The tab a node of the tree stands for; nullptr for any other node.
    SearchTab* tabOf(const TreeNode& node);
    // The node of a tab, or nullptr when it is no longer in the tree.
    TreeNode* nodeOf(const CategoryTree& tree, const SearchTab& tab) const;

    int count() const { return static_cast<int>(m_tabs.size()); }
    SearchTab& operator[](int i) { return m_tabs[static_cast<std::size_t>(i)]; }

private:
    std::deque<SearchTab> m_tabs;
};

} // namespace kavro
