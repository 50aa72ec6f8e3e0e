#pragma once

namespace kavro {

class Catalogue;
class DiscList;
struct DiscRecord;
class TreeNode;

// Image of a disc node that has something to browse (a file system or a stored tree), and the
// image every disc node shows when selected.
inline constexpr int DiscContentImage = 16;
inline constexpr int DiscSelectedImage = 3;

// The disc level of the navigation tree: every disc row in table order becomes a node under its
// category's node and an entry of discs; a disc whose category is not loaded gets neither. The
// category tree must exist already; the tree is sorted afterwards. Returns the number of disc
// nodes made.
int BuildDiscNodes(Catalogue& catalogue, DiscList& discs);

// Adds one disc, as the add flow has just written it, under its category's node (no images
// until the tree is next built); a disc already in the tree at that machine and slot is moved
// and retitled instead. nullptr when the disc's category is not loaded.
TreeNode* AddDiscNode(Catalogue& catalogue, DiscList& discs, const DiscRecord& disc);

} // namespace kavro
