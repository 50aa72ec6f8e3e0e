#pragma once

#include <string>

namespace kavro {

struct DiscRecord;
class TreeNode;

// What the add and edit flows need from the main window's trees and lists. The main window
// implements it over its navigation tree, DiscList and list views; tests record the calls.
class AddDiscFlowViews {
public:
    virtual ~AddDiscFlowViews() = default;

    // The node selected in the navigation tree by category, or nullptr.
    virtual TreeNode* selectedNode() = 0;

    // The main window's barcode, other and remark boxes and its picture tab show the disc as it
    // is about to be written (again after a CDDB lookup changed its remark).
    virtual void showDiscFields(const DiscRecord& disc) = 0;

    // The add flow appended a row: a disc node with the title as the last child of the
    // category's node (no icons), its DiscEntry, the tree sorted; a row in the machine list
    // when it shows this machine; the machine tree is rebuilt on its next use.
    virtual void discAppended(const DiscRecord& disc) = 0;

    // The add flow overwrote the row of a used slot: the disc's node takes the title and moves
    // under the category's node when that changed (a disc without a node gets one, as appended);
    // the machine list is refreshed when it shows this machine.
    virtual void discOverwritten(const DiscRecord& disc) = 0;

    // After the add flow's write: the disc's node selected and its category listed.
    virtual void selectWrittenDisc(int machine, int slot) = 0;

    // Status bar panels 0 to 2.
    virtual void setStatusText(int panel, const std::string& text) = 0;

    // The edit flow wrote the disc. When its category changed, the node moves from the old
    // category's node to the new one, takes the title, and the new category is selected and
    // listed. The list that started the edit then shows the new title (and, in the machine
    // list, the category).
    virtual void discEdited(const DiscRecord& disc, bool categoryChanged) = 0;

    // The chooser's second option: CategoryRoot selected and a new category made there.
    virtual void newCategory() = 0;
};

} // namespace kavro
