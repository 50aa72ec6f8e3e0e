#include "views/flows/TfrmAddModel.h"

#include "cataloguing/SlotMap.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "content/DiscScanVolume.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"
#include "shell/FileIo.h"
#include "views/flows/AddDiscFlowServices.h"
#include "views/flows/TfrmAddPicture.h"

#include "torvex/torvex.h"

#include <charconv>
#include <filesystem>
#include <optional>

namespace kavro {

namespace {

// A whole decimal number, blanks around it allowed.
std::optional<int> numberOf(std::string_view text)
{
    const std::string t = text::trimBlanks(text);
    if (t.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return value;
}

std::string withoutTrailingLineBreaks(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n'))
        s.pop_back();
    return s;
}

// The device monitor stays off while the dialog talks to a machine, so that its scan of the
// bus does not come between the commands (the catalogue queries let timers run).
class MonitorPause {
public:
    explicit MonitorPause(ChangerContext& ctx) : m_ctx(ctx), m_wasActive(ctx.deviceMonitor->active())
    {
        m_ctx.deviceMonitor->stop();
    }
    ~MonitorPause()
    {
        if (m_wasActive)
            m_ctx.deviceMonitor->start();
    }
    MonitorPause(const MonitorPause&) = delete;
    MonitorPause& operator=(const MonitorPause&) = delete;

private:
    ChangerContext& m_ctx;
    bool m_wasActive;
};

} // namespace

TfrmAddModel::TfrmAddModel(AddDiscFlowServices& services, Mode mode) : m_s(services), m_mode(mode)
{
    const MachineTable& machines = m_s.changer.machines;
    for (int i = 0; i < machines.count(); ++i)
        m_controls.machineNames.push_back(machines.entry(i).name);

    const Drives drives = m_s.drives();
    m_controls.drives = drives.cdRomDrives();
    if (!m_controls.drives.empty())
        m_controls.driveText = m_controls.drives.front();
    if (!m_s.driveName.empty())
        m_controls.driveText = m_s.driveName;
}

void TfrmAddModel::showDisc(const DiscRecord& disc, const std::string& storedPicture)
{
    m_controls.caption = m_s.texts.text("2218", "編輯資料");
    m_machine = disc.machine;
    m_slot = disc.slot;

    const std::string name = m_s.changer.machines.MachineName(disc.machine);
    m_machineIndex = -1;
    for (std::size_t i = 0; i < m_controls.machineNames.size(); ++i) {
        if (m_controls.machineNames[i] == name) {
            m_machineIndex = static_cast<int>(i);
            break;
        }
    }
    if (m_machineIndex < 0) {
        // An unregistered machine shows its number.
        m_controls.machineNames.push_back(name);
        m_controls.machineBoxIndex = static_cast<int>(m_controls.machineNames.size()) - 1;
    } else {
        m_controls.machineBoxIndex = m_machineIndex;
    }
    m_controls.machineBoxEnabled = false;
    m_controls.slotText = std::to_string(disc.slot);
    m_controls.labelSlot = m_controls.slotText;
    m_controls.slotEnabled = false;
    m_controls.checkSlot = false;
    m_controls.checkSlotShown = false;

    if (disc.categoryIndex >= 0)
        preselectCategory(disc.categoryIndex);
    m_controls.title = text::cutUtf8(disc.title, TitleChars * 4);
    m_controls.barcode = disc.barcode;
    m_controls.remark = disc.remark;
    m_controls.other = withoutTrailingLineBreaks(disc.other);
    m_controls.picture = StoredPictureAsBitmap(storedPicture);
    m_pictureChanged = false;
}

void TfrmAddModel::preselectCategory(int categoryIndex)
{
    CategoryList& categories = m_s.catalogue.categories();
    if (categoryIndex < 0 || categoryIndex >= categories.count() || categories[categoryIndex].node == nullptr)
        return;
    m_chosenCategory = categoryIndex;
    m_controls.label8 = categories[categoryIndex].node->text;
}

int TfrmAddModel::chosenCategoryId() const
{
    const CategoryList& categories = m_s.catalogue.categories();
    if (m_chosenCategory < 0 || m_chosenCategory >= categories.count())
        return -1;
    return categories[m_chosenCategory].id;
}

const TreeNode* TfrmAddModel::categoryRoot() const
{
    return m_s.catalogue.categoryTree().categoryRoot();
}

int TfrmAddModel::capacity(int machine) const
{
    const ChangerContext& ctx = m_s.changer;
    return ctx.machines.MachineModel(machine) == ctx.DefaultModel ? DriveModelSlots : PlainSlots;
}

void TfrmAddModel::chooseMachine(int position)
{
    if (position == m_machineIndex)
        return;
    ChangerContext& ctx = m_s.changer;
    MonitorPause pause(ctx);
    m_controls.checkSlot = false;
    m_controls.slotEnabled = false;

    // The machine chosen before puts its arm's disc back.
    if (m_machineIndex >= 0 && m_machine > 0 && CheckReadyOnceStopped(ctx, m_machine) == 0)
        ctx.torvex.USBCDGetCDDown(m_machine);

    m_machineIndex = position;
    m_controls.machineBoxIndex = position;
    const bool inBox = position >= 0 && position < static_cast<int>(m_controls.machineNames.size());
    const std::string name =
        inBox ? m_controls.machineNames[static_cast<std::size_t>(position)] : std::string();
    m_machine = ctx.machines.MachineByName(text::trimSpaces(name));
    if (m_machine == 0) {
        // No machine answers to that name: no slot of another machine may stay on show.
        m_controls.freeSlots.clear();
        m_controls.slotText.clear();
        m_controls.labelSlot.clear();
        m_controls.slotRed = false;
        m_slot = -1;
        return;
    }
    if (m_mode != Mode::Add)
        return;

    const DbResult<int> free = FindFreeSlot(m_s.catalogue, m_machine);
    if (!free) {
        reportError(free.error());
        return;
    }
    const int last = capacity(m_machine);
    // What the catalogue calls free, less what the take-out log and the last cataloguing run of
    // the cabinet know better: a slot where the run found a disc is not proposed.
    const SlotMap map = BuildSlotMap(m_s.catalogue, ctx, m_machine, last, ctx.dataFolder());
    const int proposed = *free <= last ? FreeSlotOf(map) : 0;
    m_controls.freeSlots.clear();
    m_controls.slotRed = false;
    std::string found;
    for (int slot = 1; slot <= last; ++slot) {
        const SlotInfo& cell = map.cells[static_cast<std::size_t>(slot - 1)];
        if (cell.state == SlotState::Free)
            m_controls.freeSlots.push_back(slot);
        else if (cell.state == SlotState::Flagged && cell.title.empty() && (proposed == 0 || slot < proposed))
            found += "\n" + withArgs(m_s.texts.text("5241", "Slot %1: %2"), {std::to_string(slot), cell.note});
    }
    if (!found.empty()) {
        const std::string instead =
            proposed != 0 ? withArgs(m_s.texts.text("5242", "Slot %1 is proposed instead."), {std::to_string(proposed)})
                          : std::string();
        m_s.person.messageBox(m_s.texts.text("5240", "The last cataloguing run found discs in slots the catalogue calls "
                                                     "free:") +
                                  found + "\n" + instead,
                              m_s.texts.text("2217", "KAVRO - Warning"), BoxIcon::Warning, BoxButtons::Ok);
    }
    if (proposed == 0) {
        m_controls.slotText.clear();
        m_controls.labelSlot.clear();
        m_slot = -1;
        m_s.person.messageBox(m_s.texts.text("2214", "本機無空槽可放"),
                              m_s.texts.text("2217", "KAVRO - Warning"), BoxIcon::Warning, BoxButtons::Ok);
        return;
    }
    presentSlot(proposed);
    m_slot = proposed;
    m_controls.slotText = std::to_string(proposed);
    m_controls.labelSlot = m_controls.slotText;
}

void TfrmAddModel::clickCheckSlot(bool ticked)
{
    if (m_machine > 0) {
        m_controls.checkSlot = ticked;
        m_controls.slotEnabled = ticked;
    } else {
        m_controls.checkSlot = false;
        m_controls.slotEnabled = false;
    }
}

void TfrmAddModel::leaveSlotBox(std::string_view text)
{
    acceptSlotText(text, false);
}

void TfrmAddModel::enterSlotBox(std::string_view text)
{
    acceptSlotText(text, true);
}

void TfrmAddModel::acceptSlotText(std::string_view text, bool askAtOnce)
{
    if (m_machine <= 0)
        return;
    MonitorPause pause(m_s.changer);
    const int previous = numberOf(m_controls.labelSlot).value_or(0);
    const int slot = numberOf(text).value_or(previous);
    const auto refuse = [&] {
        m_controls.slotText = previous > 0 ? std::to_string(previous) : std::string();
    };

    if (slot < 1 || slot > capacity(m_machine)) {
        refuse();
        return;
    }
    const bool used = slotUsed(slot);
    if (used && askAtOnce && !confirmOverwrite(slot)) {
        refuse();
        return;
    }
    m_controls.slotRed = used && !askAtOnce;
    m_slot = slot;
    m_controls.slotText = std::to_string(slot);
    m_controls.labelSlot = m_controls.slotText;
    // The slot at the door already is not moved again each time the box loses the focus.
    if (slot != previous)
        presentSlot(slot);
}

void TfrmAddModel::presentSlot(int slot)
{
    ChangerContext& ctx = m_s.changer;
    CabinetWork work(ctx);
    if (CheckReadyOnceStopped(ctx, m_machine) == 0)
        ctx.torvex.USBCDGetCDDown(m_machine);
    // The arm may still be putting the last slot's disc back: the move goes once it has stopped.
    if (WaitUntilIdle(ctx, m_machine, MovingToDoorText(ctx, slot)) == USBCD_OK)
        ctx.torvex.USBCDMoveto(m_machine, slot);
}

bool TfrmAddModel::slotUsed(int slot)
{
    const DbResult<int> used = IsSlotUsed(m_s.catalogue, m_machine, slot);
    if (!used) {
        reportError(used.error());
        return false;
    }
    return *used != -1;
}

bool TfrmAddModel::confirmOverwrite(int slot)
{
    // The question names the disc whose record would be replaced; Enter keeps it.
    std::string question = m_s.texts.text("1007", "確定覆蓋舊資料嗎?") + "\n\n";
    if (const DbResult<std::string> title = StoredTitle(m_s.catalogue, m_machine, slot);
        title && !title->empty())
        question += *title + "\n";
    question += m_s.changer.machines.MachineName(m_machine) + ", " + m_s.texts.text("0003", "槽位") + " " +
                std::to_string(slot);
    return m_s.person.messageBox(question, m_s.texts.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                 BoxButtons::OkCancel, BoxAnswer::Cancel) == BoxAnswer::Ok;
}

void TfrmAddModel::chooseDrive(std::string_view driveText)
{
    m_controls.driveText = std::string(driveText);
    if (text::trimBlanks(m_controls.title).empty()) {
        const Drives drives = m_s.drives();
        const char letter = Drives::letterOf(driveText);
        if (letter != 0) {
            const std::string root = std::string(1, letter) + ":\\";
            if (const auto info = ReadVolumeInfo(root, drives, m_s.clock); info && !info->volume.empty())
                m_controls.title = text::cutUtf8(info->volume, TitleChars * 4);
        }
    }
    m_s.driveName = m_controls.driveText;
}

void TfrmAddModel::togglePicker()
{
    m_controls.pickerShown = !m_controls.pickerShown;
}

void TfrmAddModel::hidePicker()
{
    m_controls.pickerShown = false;
}

void TfrmAddModel::chooseCategory(int categoryIndex)
{
    preselectCategory(categoryIndex);
    if (m_chosenCategory == categoryIndex)
        m_controls.pickerShown = false;
}

void TfrmAddModel::choosePicture()
{
    const std::filesystem::path folder = std::filesystem::path(m_s.programFolder) / "Preview";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const auto chosen = m_s.person.chooseFile(m_s.texts.text("0503", "圖檔選擇"), folder.string(),
                                              "Jpeg (*.JPG *.jpg);;Bmp (*.BMP *.bmp)");
    if (!chosen)
        return;
    const auto bytes = readWholeFile(*chosen);
    if (!bytes)
        return;
    if (auto bmp = PictureFileAsBitmap(*bytes)) {
        m_controls.picture = std::move(*bmp);
        m_pictureChanged = true;
    }
}

void TfrmAddModel::removePicture()
{
    m_controls.picture.clear();
    m_pictureChanged = true;
}

TfrmAddModel::OkOutcome TfrmAddModel::ok()
{
    m_slot = numberOf(m_controls.slotText).value_or(0);
    const auto warn = [&](std::string_view key, std::string_view text) {
        if (m_s.beep)
            m_s.beep();
        m_s.person.messageBox(m_s.texts.text(key, text), m_s.texts.text("2110", "警告訊息"), BoxIcon::Warning,
                              BoxButtons::Ok);
    };
    if (text::trimBlanks(m_controls.title).empty()) {
        warn("0005", "片名");
        return OkOutcome::TitleMissing;
    }
    if (m_controls.label8.empty()) {
        warn("0004", "分類");
        return OkOutcome::CategoryMissing;
    }
    // Without a machine the add flow would write nothing: the dialog stays open with what was typed.
    if (m_mode == Mode::Add && m_machine <= 0) {
        warn("2219", "請先選擇機號");
        return OkOutcome::MachineMissing;
    }
    // A new disc in a slot beyond the cabinet's own last one would be a row for a place that
    // does not exist. An edited disc keeps the slot it has.
    const int last = m_mode == Mode::Add && m_machine > 0 ? capacity(m_machine) : PlainSlots;
    if (m_slot < 1 || m_slot > last) {
        m_controls.slotText = "0";
        m_controls.labelSlot = "0";
        m_slot = 0;
    }
    if (m_controls.checkSlotShown && m_machine > 0 && m_slot > 0 && slotUsed(m_slot) &&
        !confirmOverwrite(m_slot))
        return OkOutcome::OverwriteRefused;
    m_result = 1;
    return OkOutcome::Closed;
}

void TfrmAddModel::close()
{
    if (m_result != 1)
        m_result = 0;
}

void TfrmAddModel::reportError(const std::string& error)
{
    m_s.person.messageBox(error, m_s.texts.text("0000", "KAVRO 5.1"), BoxIcon::Error, BoxButtons::Ok);
}

} // namespace kavro
