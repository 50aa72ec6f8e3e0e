#include "catalogue/search/SearchScope.h"

#include "catalogue/records/CategoryList.h"
#include "catalogue/records/CategoryTree.h"
#include "platform/Text.h"

namespace kavro {

namespace {

void collect(SearchScope& scope, const TreeNode& node)
{
    if (node.isCategory())
        scope.add(node.id);
    for (const auto& child : node.children()) {
        if (child->isCategory())
            collect(scope, *child);
    }
}

} // namespace

void SearchScope::clear()
{
    m_ids.clear();
    m_inScope.clear();
    m_known.clear();
}

void SearchScope::add(int id)
{
    m_ids.push_back(id);
    m_inScope.insert(id);
}

void SearchScope::setKnown(const CategoryList& categories)
{
    m_known.clear();
    for (int i = 0; i < categories.count(); ++i) {
        const CategoryEntry& e = categories[i];
        // Deleted categories keep their entry without a node; they are not loaded any more.
        if (e.node)
            m_known.emplace(e.id, e.node);
    }
}

std::string SearchScope::categoryName(int id) const
{
    const auto it = m_known.find(id);
    if (it == m_known.end())
        return "Other";
    return text::trimSpaces(it->second->text);
}

int BuildScope(SearchScope& scope, const TreeNode& node, const CategoryList& categories)
{
    scope.clear();
    scope.setKnown(categories);
    collect(scope, node);
    return scope.count();
}

bool InScope(const SearchScope& scope, int categoryId)
{
    return scope.contains(categoryId) || !scope.isKnown(categoryId);
}

} // namespace kavro
