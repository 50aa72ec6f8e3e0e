#pragma once

#include "content/FileTree.h"

#include <functional>
#include <string>
#include <string_view>

namespace kavro {

// The names of a stored tree in another encoding: each entry's name goes through convert and the
// name pool is laid out anew, so the entries keep their order and fields and only their name
// offsets move. True when the tree changed. A tree whose names are all valid UTF-8 is left as it
// is, and so is a damaged one (counts or offsets that do not hold), which cannot be laid out anew
// without losing what follows the damage.
bool ConvertTreeNames(int indexCount, std::string& indexBlock, int& dataCount, std::string& dataBlock,
                      const std::function<std::string(std::string_view)>& convert);

} // namespace kavro
