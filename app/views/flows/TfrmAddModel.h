#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kavro {

struct AddDiscFlowServices;
struct DiscRecord;
class TreeNode;

// What the disc dialog's controls hold. Texts are UTF-8; the memo texts keep CR LF line ends,
// as the record does.
struct TfrmAddControls {
    std::string caption; // empty: the designed caption (or the language's)

    std::vector<std::string> machineNames; // ComboBox_MachineNo, in MachineTable order
    int machineBoxIndex = -1;
    bool machineBoxEnabled = true;

    std::vector<int> freeSlots; // CB_Slot's list
    std::string slotText;
    bool slotEnabled = false;
    bool slotRed = false; // the typed slot holds a disc already
    bool checkSlot = false;
    bool checkSlotShown = true;
    std::string labelSlot; // Label_slot: the last accepted slot

    std::string label8; // the chosen category's name
    bool pickerShown = false;

    std::string title;   // TntEdit_title, at most 128 characters
    std::string barcode; // Barcode, at most 14 characters
    std::string remark;  // TntMemo_remark
    std::string other;   // TntMemo_other

    std::string picture; // Image1 as BMP file bytes; empty for none

    std::vector<std::string> drives; // ComboBox2: root paths of the CD-ROM drives ("E:\\")
    std::string driveText;
    bool scan = false;  // CheckBox_ScanCdDetail
    bool cddb = false;  // CheckBox2
    bool getNow = true; // CheckBox_GetNow (hidden)
};

// The disc dialog (TfrmAdd) without its widgets: the state of one run and the rules of its
// controls. Choosing a machine presents its lowest free slot at the door; a slot typed by hand
// is checked against the machine's capacity and the catalogue; OK checks title, category, the
// machine (add mode: without one the typed texts would be dropped) and overwriting. The widget shows controls() and reports what the person does; tests drive it
// directly.
class TfrmAddModel {
public:
    enum class Mode { Add = 1, Edit = 2 };
    enum class OkOutcome { Closed, TitleMissing, CategoryMissing, MachineMissing, OverwriteRefused };

    static constexpr std::size_t TitleChars = 128;
    static constexpr std::size_t BarcodeChars = 14;
    // Slots of a machine of the model with a drive, and of every other machine.
    static constexpr int DriveModelSlots = 100;
    static constexpr int PlainSlots = 150;

    // Opening: the machine box from MachineTable, the drive box from the CD-ROM drives showing
    // the built-in drive's name when set, nothing chosen.
    TfrmAddModel(AddDiscFlowServices& services, Mode mode);

    // Edit mode: the disc's values, its machine and slot fixed; storedPicture is the Pic stream
    // as stored (shown as a bitmap, and written back unchanged unless the person changes it).
    void showDisc(const DiscRecord& disc, const std::string& storedPicture);

    // A category preselected by the add flow (an index of CategoryList).
    void preselectCategory(int categoryIndex);

    Mode mode() const { return m_mode; }
    int result() const { return m_result; }
    int machineIndex() const { return m_machineIndex; }
    int machine() const { return m_machine; }
    int slot() const { return m_slot; }
    // Index of the chosen category in CategoryList, -1 for none.
    int chosenCategory() const { return m_chosenCategory; }
    int chosenCategoryId() const;
    // Whether the person chose or removed a picture.
    bool pictureChanged() const { return m_pictureChanged; }

    TfrmAddControls& controls() { return m_controls; }
    const TfrmAddControls& controls() const { return m_controls; }
    // CategoryRoot of the catalogue's tree: the picker shows the category nodes below it.
    const TreeNode* categoryRoot() const;
    // Slots of the machine: 100 for one of the model with a drive, else 150.
    int capacity(int machine) const;

    // The person's actions.
    void chooseMachine(int position);
    void clickCheckSlot(bool ticked);
    void leaveSlotBox(std::string_view text);
    void enterSlotBox(std::string_view text);
    void chooseDrive(std::string_view text);
    void togglePicker();
    void hidePicker();
    void chooseCategory(int categoryIndex);
    void choosePicture();
    void removePicture();
    OkOutcome ok();
    // Cancel, or any other way of closing: result 0 unless OK closed it.
    void close();

private:
    void acceptSlotText(std::string_view text, bool askAtOnce);
    void presentSlot(int slot);
    bool slotUsed(int slot);
    bool confirmOverwrite(int slot);
    void reportError(const std::string& error);

    AddDiscFlowServices& m_s;
    Mode m_mode;
    int m_result = -1;
    int m_machineIndex = -1;
    int m_machine = -1;
    int m_slot = -1;
    int m_chosenCategory = -1;
    bool m_pictureChanged = false;
    TfrmAddControls m_controls;
};

} // namespace kavro
