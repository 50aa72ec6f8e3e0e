#include "catalogue/search/SearchTabs.h"

#include "catalogue/records/CategoryTree.h"

namespace kavro {

namespace {

constexpr int kTabIcon = 4;

} // namespace

SearchTab* SearchTabs::open(CategoryTree& tree, const std::string& text,
                            std::chrono::system_clock::time_point now)
{
    TreeNode* root = tree.searchRoot();
    if (!root)
        return nullptr;
    for (const auto& child : root->children()) {
        if (child->text == text) {
            if (SearchTab* tab = tabOf(*child)) {
                tab->rows.clear();
                return tab;
            }
        }
    }
    SearchTab tab;
    tab.number = count() + 1;
    tab.created = now;
    tab.text = text;
    m_tabs.push_back(std::move(tab));
    TreeNode& node = root->addChild(text, NodeKind::SearchTab);
    node.entry = count() - 1;
    node.image = kTabIcon;
    node.selectedImage = kTabIcon;
    return &m_tabs.back();
}

SearchTab* SearchTabs::tabOf(const TreeNode& node)
{
    if (node.kind != NodeKind::SearchTab || node.entry < 0 || node.entry >= count())
        return nullptr;
    return &m_tabs[static_cast<std::size_t>(node.entry)];
}

TreeNode* SearchTabs::nodeOf(const CategoryTree& tree, const SearchTab& tab) const
{
    const TreeNode* root = tree.searchRoot();
    if (!root)
        return nullptr;
    for (const auto& child : root->children()) {
        if (child->kind == NodeKind::SearchTab && child->entry >= 0 && child->entry < count() &&
            &m_tabs[static_cast<std::size_t>(child->entry)] == &tab)
            return child.get();
    }
    return nullptr;
}

} // namespace kavro
