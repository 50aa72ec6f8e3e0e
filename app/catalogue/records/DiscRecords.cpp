#include "catalogue/records/DiscRecords.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscTree.h"
#include "catalogue/records/Misc1Text.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

namespace kavro {

bool LocateDisc(Catalogue& catalogue, int machine, int slot)
{
    return catalogue.discCursor().locate("MachineNo;Slot", {DbValue(machine), DbValue(slot)});
}

bool ReadDiscRecord(Catalogue& catalogue)
{
    DiscCursor& cursor = catalogue.discCursor();
    if (cursor.isEmpty() || cursor.eof())
        return false;
    DiscRecord& d = catalogue.currentDisc();
    d.machine = cursor.integer("MachineNo");
    d.slot = cursor.integer("Slot");
    d.categoryName = text::trimSpaces(cursor.text("Categoryname"));
    d.title = text::trimSpaces(cursor.text("TitleA"));
    d.barcode = text::trimSpaces(cursor.text("Barcode"));
    d.remark = cursor.text("Remark");
    d.created = cursor.text("CreateDate");
    d.storedEntryCount = cursor.integer("TreeIndexS");
    d.deviceType = text::trimSpaces(cursor.text("devicetype"));
    d.categoryId = cursor.integer("Category");
    // The stored picture is read by whoever shows it; a picture of another disc must never be
    // written back with this one.
    d.picture.clear();

    const CategoryList& categories = catalogue.categories();
    d.categoryIndex = categories.indexOfId(d.categoryId);
    if (d.categoryIndex < 0) {
        d.categoryName = "Other";
    } else if (const TreeNode* node = categories[d.categoryIndex].node) {
        // Moving a disc changes only its Category column, so the name comes from the category.
        d.categoryName = text::trimSpaces(node->text);
    }

    const Misc1Fields misc = ParseMisc1(cursor.text("Misc1"));
    if (misc.title)
        d.title = *misc.title;
    if (misc.barcode)
        d.barcode = *misc.barcode;
    d.other = misc.other;
    d.volume = misc.volume;
    d.serial = misc.serial;
    d.fileSystem = misc.fileSystem;
    d.summary = DiscSummary(d, catalogue.machineName(d.machine));
    return true;
}

DbStatus WriteDiscRecord(Catalogue& catalogue)
{
    DiscCursor& cursor = catalogue.discCursor();
    if (cursor.state() != DiscCursor::State::Edit && cursor.state() != DiscCursor::State::Insert)
        return DbStatus::failure("The disc row is not being added or edited.");
    const DiscRecord& d = catalogue.currentDisc();
    const std::pair<const char*, DbValue> fields[] = {
        {"MachineNo", DbValue(d.machine)},
        {"Slot", DbValue(d.slot)},
        {"Categoryname", DbValue(text::trimBlanks(d.categoryName))},
        {"TitleA", DbValue(text::trimBlanks(d.title))},
        {"Barcode", DbValue(text::trimBlanks(d.barcode))},
        {"Remark", DbValue(text::trimBlanks(d.remark))},
        {"CreateDate", d.created.empty() ? DbValue::null() : DbValue(d.created)},
        {"Category", DbValue(d.categoryId)},
        {"Misc1", DbValue(BuildMisc1(d.other, d.volume, d.serial, d.fileSystem))},
        {"DeviceType", DbValue(text::trimBlanks(d.deviceType))},
    };
    for (const auto& [name, value] : fields) {
        if (auto s = cursor.setField(name, value); !s)
            return s;
    }
    if (auto s = SaveDiscTree(catalogue); !s)
        return s;
    return cursor.setField("Pic", d.picture.empty() ? DbValue::null() : DbValue::blob(d.picture));
}

std::string DiscSummary(const DiscRecord& d, const std::string& machineName)
{
    return "CD Title     : " + d.title + "\r\nLibrary      : " + machineName +
           "\r\nCategory     : " + text::trimSpaces(d.categoryName) +
           "\r\nLocation     : " + std::to_string(d.slot) + "\r\nVolume Name  : " + d.volume +
           "\r\nSerial Number: " + d.serial + "\r\nFile System  : " + d.fileSystem;
}

DbStatus StoreDiscRecord(Catalogue& catalogue, bool append)
{
    DiscCursor& cursor = catalogue.discCursor();
    DbStatus s = append ? cursor.append() : cursor.edit();
    if (s)
        s = WriteDiscRecord(catalogue);
    if (s)
        s = cursor.post();
    if (!s)
        cursor.cancel();
    return s;
}

DbResult<int> IsSlotUsed(Catalogue& catalogue, int machine, int slot)
{
    Query& q = catalogue.listingQuery();
    q.close();
    q.clearSql();
    q.addLine("SELECT Slot From KAVRO WHERE machineNO=");
    q.addLine(std::to_string(machine));
    q.addLine(" AND Slot=");
    q.addLine(std::to_string(slot));
    auto s = q.open();
    catalogue.clock().processEvents();
    if (!s)
        return s;
    const int result = q.isEmpty() ? -1 : slot;
    q.close();
    return result;
}

DbResult<std::string> StoredTitle(Catalogue& catalogue, int machine, int slot)
{
    Query& q = catalogue.listingQuery();
    q.close();
    q.setSql("SELECT TitleA FROM KAVRO WHERE MachineNo=:MACHINE AND Slot=:SLOT");
    q.setParam("MACHINE", DbValue(machine));
    q.setParam("SLOT", DbValue(slot));
    if (auto s = q.open(); !s)
        return s;
    std::string title;
    if (!q.isEmpty()) {
        q.first();
        const DbValue v = q.field("TitleA");
        if (!v.isNull())
            title = text::trimSpaces(v.asText());
    }
    q.close();
    return title;
}

DbResult<int> FindFreeSlot(Catalogue& catalogue, int machine)
{
    Query& q = catalogue.listingQuery();
    q.close();
    q.clearSql();
    q.addLine("SELECT Slot,MachineNo From KAVRO WHERE machineNO=");
    q.addLine(std::to_string(machine));
    q.addLine(" Order by Slot");
    if (auto s = q.open(); !s)
        return s;
    int candidate = 1;
    for (q.first(); !q.eof(); q.next()) {
        const DbValue v = q.field("Slot");
        const long long slot = v.isNull() ? 0 : v.asInt64();
        // Repeated slots, and slots below 1 that a damaged or hand-made row may hold, lie below
        // the candidate and are passed over; stopping at them would offer a slot in use.
        if (slot < candidate)
            continue;
        if (slot != candidate)
            break;
        ++candidate;
    }
    q.close();
    return candidate;
}

DbResult<bool> DeleteDisc(Catalogue& catalogue, int machine, int slot, bool silent)
{
    if (!LocateDisc(catalogue, machine, slot))
        return false;
    if (!silent) {
        const Texts& texts = catalogue.texts();
        // The question names the disc that goes, and Enter keeps it.
        const std::string question = texts.text("1000", "確定刪除此筆資料嗎？") + "\n\n" +
                                     text::trimSpaces(catalogue.discCursor().text("TitleA"));
        const BoxAnswer answer =
            catalogue.person().messageBox(question, texts.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                          BoxButtons::OkCancel, BoxAnswer::Cancel);
        if (answer != BoxAnswer::Ok)
            return false;
        // The box let other events run; make sure the cursor is still on the disc.
        if (!LocateDisc(catalogue, machine, slot))
            return false;
    }
    if (auto s = catalogue.discCursor().deleteRow(); !s)
        return s;
    if (TreeNode* node = catalogue.categoryTree().findDisc(machine, slot))
        catalogue.categoryTree().remove(*node);
    catalogue.notifyDiscRemoved(machine, slot);
    return true;
}

DbResult<bool> SetDiscCategory(Catalogue& catalogue, int machine, int slot, int categoryId)
{
    DiscCursor& cursor = catalogue.discCursor();
    if (cursor.isEmpty() || !LocateDisc(catalogue, machine, slot))
        return false;
    if (cursor.integer("Category") == categoryId && !cursor.field("Category").isNull())
        return false;
    if (auto s = cursor.edit(); !s)
        return s;
    if (auto s = cursor.setField("Category", DbValue(categoryId)); !s) {
        cursor.cancel();
        return s;
    }
    if (auto s = cursor.post(); !s) {
        cursor.cancel();
        return s;
    }
    return true;
}

DbResult<bool> ChangeDiscTitle(Catalogue& catalogue, int machine, int slot, std::string_view title)
{
    DiscCursor& cursor = catalogue.discCursor();
    if (cursor.isEmpty())
        return false;
    // Always find the row: the cursor may have moved since CurrentDisc was read, and trusting
    // it would rename whichever disc it now stands on.
    if (!LocateDisc(catalogue, machine, slot) || !ReadDiscRecord(catalogue))
        return false;
    DiscRecord& d = catalogue.currentDisc();
    d.title = std::string(title);
    if (auto s = cursor.edit(); !s)
        return s;
    DbStatus s = cursor.setField("TitleA", DbValue(text::trimBlanks(d.title)));
    if (s)
        s = cursor.setField("Misc1", DbValue(BuildMisc1(d.other, d.volume, d.serial, d.fileSystem)));
    if (s)
        s = cursor.post();
    if (!s) {
        cursor.cancel();
        return s;
    }
    d.summary = DiscSummary(d, catalogue.machineName(d.machine));
    return true;
}

} // namespace kavro
