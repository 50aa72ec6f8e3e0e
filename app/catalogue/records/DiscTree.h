#pragma once

#include "catalogue/database/DbResult.h"

namespace kavro {

class Catalogue;

// Makes the disc's stored tree the current file tree: locates the row, reads it into
// CurrentDisc and loads TreeIndex and TreeData. False (the current tree unchanged) when there
// is no such row. A row without a tree, or whose blocks are shorter than their counts, loads
// as an empty tree.
bool LoadDiscTree(Catalogue& catalogue, int machine, int slot);

// Part of writing a row: TreeIndexS and TreeDataS from the current file tree and, when both
// are at least 1, the two blocks as stored; otherwise both blocks are cleared.
DbStatus SaveDiscTree(Catalogue& catalogue);

} // namespace kavro
