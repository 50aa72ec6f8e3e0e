#include "views/lists/ListRow.h"

namespace kavro {

const std::string& ListRow::text(std::size_t column) const
{
    static const std::string none;
    return column < texts.size() ? texts[column] : none;
}

} // namespace kavro
