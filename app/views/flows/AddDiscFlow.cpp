#include "views/flows/AddDiscFlow.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "cddb/DiscTitleLookup.h"
#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "changer/DriveFlows.h"
#include "content/DiscScan.h"
#include "content/DiscScanVolume.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"
#include "views/flows/AddDiscFlowDialogs.h"
#include "views/flows/AddDiscFlowDrive.h"
#include "views/flows/AddDiscFlowServices.h"
#include "views/flows/AddDiscFlowViews.h"
#include "views/flows/TfrmAddModel.h"

#include <memory>

namespace kavro {

namespace {

// How an audio disc reads (it is never mounted, so it has no root to walk).
constexpr std::string_view AudioDiscLabel = "Audio CD";

std::string rootOf(char letter)
{
    return std::string(1, letter) + ":\\";
}

// "Get Now" with a machine that has a drive: the chosen slot's disc goes into the drive and the
// flow waits until it can be read. nullptr when the machine has no drive or is not there.
// readable is false when the disc did not arrive: then the drive is not read at all.
std::unique_ptr<AddDiscFlowDrive> loadForReading(AddDiscFlowServices& s, int machine, int slot,
                                                 const TfrmAddControls& c, int ready, bool& readable)
{
    readable = true;
    if (ready == 1 || !IsDriveMachine(s.changer, machine))
        return nullptr;
    auto drive = std::make_unique<AddDiscFlowDrive>(s.changer, machine, slot);
    readable = drive->load();
    const char letter = Drives::letterOf(c.driveText);
    if (readable && letter != 0) {
        drive->waitForDisc([&] {
            const Drives drives = s.drives();
            const auto info = ReadVolumeInfo(rootOf(letter), drives, s.clock);
            if (!info)
                return false;
            return !c.scan || drives.rootPath(letter).has_value() || info->volume == AudioDiscLabel;
        });
    }
    return drive;
}

} // namespace

AddDiscFlow::AddDiscFlow(AddDiscFlowServices& services, AddDiscFlowViews& views, AddDiscFlowDialogs& dialogs)
    : m_s(services), m_views(views), m_dialogs(dialogs)
{
}

std::string AddDiscFlow::Summary(const DiscRecord& d, const std::string& machineName)
{
    return "CD Title      : " + d.title + "\r\nLibrary       : " + machineName +
           "\r\nCategory      : " + d.categoryName + "\r\nLocation      : " + std::to_string(d.slot) +
           "\r\nVolume Name   : " + d.volume + "\r\nSerial Number : " + d.serial +
           "\r\nFile System   : " + d.fileSystem;
}

bool AddDiscFlow::readDisc(DiscRecord& d, char letter, bool cddb)
{
    if (letter == 0)
        return false;
    const Drives drives = m_s.drives();
    const auto info = ReadVolumeInfo(rootOf(letter), drives, m_s.clock);
    if (!info)
        return false;
    d.volume = info->volume;
    d.serial = info->serial;
    d.fileSystem = info->fileSystem;
    if (cddb) {
        const DriveMapping* mapping = drives.find(letter);
        std::string device;
        if (mapping != nullptr)
            device = mapping->device.empty() ? mapping->folder : mapping->device;
        m_s.titles.clearResult();
        if (m_s.titles.lookUp(device, m_s.settings, m_s.person, m_s.clock, m_s.texts) == DiscTitleLookup::Found &&
            !m_s.titles.resultText().empty()) {
            d.remark = m_s.titles.resultText();
            m_views.showDiscFields(d);
        }
    }
    return true;
}

bool AddDiscFlow::add()
{
    Catalogue& catalogue = m_s.catalogue;
    ChangerContext& ctx = m_s.changer;
    TfrmAddModel model(m_s, TfrmAddModel::Mode::Add);

    TreeNode* node = m_views.selectedNode();
    while (node != nullptr && !node->isCategory())
        node = node->parent();
    if (node != nullptr)
        model.preselectCategory(node->entry);

    m_dialogs.showDiscDialog(model);
    model.close();
    const TfrmAddControls& c = model.controls();
    const int machine = model.machine();
    const int slot = model.slot();
    const int categoryId = model.chosenCategoryId();
    if (model.result() != 1 || model.machineIndex() < 0 || text::trimBlanks(c.title).empty() ||
        machine <= 0 || slot <= 0 || categoryId <= 0)
        return false;

    if (CheckReadyOnceStopped(ctx, machine) == 0)
        ctx.torvex.USBCDGetCDDown(machine);
    std::unique_ptr<AddDiscFlowDrive> drive;
    bool readable = true;
    if (c.getNow && (c.scan || c.cddb))
        drive = loadForReading(m_s, machine, slot, c, CheckReadyOnceStopped(ctx, machine), readable);

    DiscRecord& d = catalogue.currentDisc();
    d = DiscRecord{};
    d.machine = machine;
    d.slot = slot;
    d.categoryId = categoryId;
    d.categoryIndex = model.chosenCategory();
    d.categoryName = c.label8;
    d.barcode = c.barcode;
    d.title = c.title;
    d.other = c.other;
    d.remark = c.remark;
    d.created = CatalogueTimestamp(ctx.wallNow());
    d.picture = c.picture;
    d.deviceType = ctx.machines.MachineModel(machine);
    m_views.showDiscFields(d);

    const char letter = Drives::letterOf(c.driveText);
    {
        BusyCursor busy(m_s.person);
        if (c.scan && readable)
            readDisc(d, letter, c.cddb);
        d.summary = Summary(d, ctx.machines.MachineName(machine));
        FileTree& tree = catalogue.fileTree();
        if (c.getNow && c.scan && readable && letter != 0)
            ScanDiscTree(tree, letter, m_s.drives(), m_s.clock);
        else
            ClearDiscTree(tree);
        tree.machine = machine;
        tree.slot = slot;
    }
    if (drive)
        drive->finish();

    const DbResult<int> used = IsSlotUsed(catalogue, machine, slot);
    if (!used) {
        reportError(used.error());
        return false;
    }
    const bool appended = *used == -1 || !LocateDisc(catalogue, machine, slot);
    if (const DbStatus s = StoreDiscRecord(catalogue, appended); !s) {
        reportError(s.error());
        return false;
    }

    if (appended)
        m_views.discAppended(d);
    else
        m_views.discOverwritten(d);
    m_views.selectWrittenDisc(machine, slot);
    m_views.setStatusText(0, "ID: " + std::to_string(machine));
    m_views.setStatusText(1, "ID NAME : " + ctx.machines.MachineName(machine));
    m_views.setStatusText(2, "SLOT : " + std::to_string(slot));
    return true;
}

bool AddDiscFlow::edit(int machine, int slot)
{
    Catalogue& catalogue = m_s.catalogue;
    ChangerContext& ctx = m_s.changer;
    // The disc's own stored tree, whichever disc the window loaded last: without a scan it is
    // written back as it is.
    if (!LoadDiscTree(catalogue, machine, slot) || !LocateDisc(catalogue, machine, slot))
        return false;
    const std::string storedPicture = catalogue.discCursor().field("Pic").asText();
    const DiscRecord before = catalogue.currentDisc();

    TfrmAddModel model(m_s, TfrmAddModel::Mode::Edit);
    model.showDisc(before, storedPicture);
    m_dialogs.showDiscDialog(model);
    model.close();
    const TfrmAddControls& c = model.controls();

    int categoryId = before.categoryId;
    bool categoryChanged = false;
    if (model.chosenCategory() < 0) {
        categoryId = -1;
    } else if (model.chosenCategoryId() != before.categoryId) {
        categoryId = model.chosenCategoryId();
        categoryChanged = true;
    }
    if (model.result() != 1 || text::trimBlanks(c.title).empty() || model.slot() <= 0 || categoryId <= 0)
        return false;

    std::unique_ptr<AddDiscFlowDrive> drive;
    bool readable = true;
    if (c.getNow && (c.scan || c.cddb)) {
        const int ready = CheckReadyOnceStopped(ctx, machine);
        if (ready == 0)
            ctx.torvex.USBCDGetCDDown(machine);
        drive = loadForReading(m_s, machine, slot, c, ready, readable);
    }

    DiscRecord& d = catalogue.currentDisc();
    d = before;
    d.barcode = c.barcode;
    d.title = c.title;
    d.other = c.other;
    d.remark = c.remark;
    d.categoryId = categoryId;
    d.categoryIndex = model.chosenCategory();
    d.categoryName = c.label8;
    d.created = CatalogueTimestamp(ctx.wallNow());
    // A stored picture that was not touched goes back byte for byte, whatever its format.
    d.picture = model.pictureChanged() ? c.picture : storedPicture;
    m_views.showDiscFields(d);

    const char letter = Drives::letterOf(c.driveText);
    {
        BusyCursor busy(m_s.person);
        const bool read = c.scan && readable && readDisc(d, letter, c.cddb);
        d.summary = Summary(d, ctx.machines.MachineName(machine));
        if (!read)
            d.summary += "\r\n";
        if (c.getNow && c.scan && readable && letter != 0) {
            FileTree& tree = catalogue.fileTree();
            ScanDiscTree(tree, letter, m_s.drives(), m_s.clock);
            tree.machine = machine;
            tree.slot = slot;
        }
    }
    if (drive)
        drive->finish();

    // The reads let events run; find the row again rather than trust the cursor.
    if (!LocateDisc(catalogue, machine, slot))
        return false;
    if (const DbStatus s = StoreDiscRecord(catalogue, false); !s) {
        reportError(s.error());
        return false;
    }
    // Only now does the disc's node leave its old category: a cancelled or refused edit keeps the
    // row's category, and the tree must keep showing it there.
    m_views.discEdited(d, categoryChanged);
    return true;
}

void AddDiscFlow::addType()
{
    const TreeNode* node = m_views.selectedNode();
    if (node == nullptr || !(node->top == TopNode::CategoryRoot || node->isCategory())) {
        m_s.person.messageBox(m_s.texts.text("2103", "請先選擇類型再來新增"), "Warning!!", BoxIcon::Warning,
                              BoxButtons::Ok);
        return;
    }
    switch (m_dialogs.showAddTypeDialog()) {
    case 1:
        add();
        break;
    case 2:
        m_views.newCategory();
        break;
    default:
        break;
    }
}

void AddDiscFlow::reportError(const std::string& error)
{
    m_s.person.messageBox(error, m_s.texts.text("0000", "KAVRO 5.1"), BoxIcon::Error, BoxButtons::Ok);
}

} // namespace kavro
