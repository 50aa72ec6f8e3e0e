#include "output/ListCopy.h"

namespace kavro {

const std::string& ListCopy::cell(int row, int column) const
{
    static const std::string empty;
    if (row < 0 || row >= rowCount() || column < 0)
        return empty;
    const auto& texts = rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < texts.size() ? texts[static_cast<std::size_t>(column)] : empty;
}

} // namespace kavro
