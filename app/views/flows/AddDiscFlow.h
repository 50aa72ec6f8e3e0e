#pragma once

#include <string>

namespace kavro {

class AddDiscFlowDialogs;
class AddDiscFlowViews;
struct AddDiscFlowServices;
struct DiscRecord;

// The add and edit flows around the disc dialog: the dialog, the machine's arm, optionally the
// disc read from the drive (volume data, CDDB titles, file tree), the record written, the views
// told. Also the chooser behind the hidden toolbar item "新增".
class AddDiscFlow {
public:
    AddDiscFlow(AddDiscFlowServices& services, AddDiscFlowViews& views, AddDiscFlowDialogs& dialogs);

    // Toolbar "新增光碟" and the category menu's "新增光碟". True when a record was written.
    bool add();

    // The row menus' "編輯" for a catalogued disc. True when the record was written.
    bool edit(int machine, int slot);

    // The hidden toolbar item "新增": a category (or CategoryRoot) must be selected; then the
    // chooser starts the add flow or makes a new category.
    void addType();

    // The data tab's text as the flows build it, with their wider labels.
    static std::string Summary(const DiscRecord& disc, const std::string& machineName);

private:
    bool readDisc(DiscRecord& disc, char letter, bool cddb);
    void reportError(const std::string& error);

    AddDiscFlowServices& m_s;
    AddDiscFlowViews& m_views;
    AddDiscFlowDialogs& m_dialogs;
};

} // namespace kavro
