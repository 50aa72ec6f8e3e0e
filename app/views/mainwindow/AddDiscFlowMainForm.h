#pragma once

#include "cddb/DiscTitleLookup.h"
#include "platform/LibcdioTocReader.h"
#include "views/flows/AddDiscFlow.h"
#include "views/flows/AddDiscFlowServices.h"
#include "views/flows/AddDiscFlowViews.h"
#include "views/dialogs/TfrmAddDialogs.h"

#include <QObject>

#include <string>

namespace kavro {

class ListView;
class TMainForm;

// The add and edit flows in the main window: the toolbar's "新增光碟" (TBItem32) and the category
// menu's "新增光碟" (N38) add a disc, the row menus' "編輯" (N33 of ListView2, N47 of the search
// lists, N8 of the tree's disc menu) edit the selected disc, the hidden toolbar item "新增"
// (TBItem34) opens the chooser. The window's trees and lists follow what the flows wrote. Lives
// as a child of the window.
class AddDiscFlowMainForm final : public QObject, public AddDiscFlowViews {
    Q_OBJECT
public:
    explicit AddDiscFlowMainForm(TMainForm& form);

    AddDiscFlow& flow() { return m_flow; }

    // The entry points; each returns whether a record was written.
    bool addDisc();
    // The disc of the selected row of list (the tree's current disc node when list is null).
    bool editSelected(ListView* list);

    // AddDiscFlowViews.
    TreeNode* selectedNode() override;
    void showDiscFields(const DiscRecord& disc) override;
    void discAppended(const DiscRecord& disc) override;
    void discOverwritten(const DiscRecord& disc) override;
    void selectWrittenDisc(int machine, int slot) override;
    void setStatusText(int panel, const std::string& text) override;
    void discEdited(const DiscRecord& disc, bool categoryChanged) override;
    void newCategory() override;

private:
    void connectEntries();
    void placeDisc(const DiscRecord& disc);
    void refreshMachineList(int machine);
    void listCategory(TreeNode* category);

    TMainForm& m_form;
    std::string m_driveName;
    LibcdioTocReader m_tocReader;
    DiscTitleLookup m_titles;
    AddDiscFlowServices m_services;
    TfrmAddDialogs m_dialogs;
    AddDiscFlow m_flow;
};

} // namespace kavro
