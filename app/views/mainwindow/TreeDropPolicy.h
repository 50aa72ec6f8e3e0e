#pragma once

namespace kavro {

struct DragPayload;
class TreeNode;

// What NavigationTree asks before it accepts a drop on one of its nodes. The tree knows its
// driver (DiscBrowser) only through this; the driver owns the rule and tells the tree the rest
// through the tree's own calls, and hears back through the tree's signals.
class TreeDropPolicy {
public:
    virtual ~TreeDropPolicy() = default;
    virtual bool acceptsDrop(const DragPayload& payload, TreeNode& target) = 0;
};

} // namespace kavro
