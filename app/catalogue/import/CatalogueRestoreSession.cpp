#include "catalogue/import/CatalogueRestoreSession.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueBackup.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/import/ImportRegistry.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "catalogue/database/Transaction.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace kavro {

namespace {

// DEVICENO as the registry reads it: a decimal number, 0 when there is none.
int deviceNumber(std::string_view text)
{
    const std::string t = text::trimBlanks(text);
    char* end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 10);
    if (end == t.c_str() || v <= 0 || v > 0x7fffffffLL)
        return 0;
    return static_cast<int>(v);
}

} // namespace

CatalogueRestoreSession::CatalogueRestoreSession(Catalogue& catalogue) : m_catalogue(catalogue) {}

CatalogueRestoreSession::~CatalogueRestoreSession()
{
    rollback();
}

DbStatus CatalogueRestoreSession::begin()
{
    if (isActive())
        return DbStatus::failure("An import is already running.");
    if (!m_catalogue.isOpen())
        return DbStatus::failure("The catalogue is not open.");
    if (!m_catalogue.categoryTree().categoryRoot())
        return DbStatus::failure("The categories have not been loaded.");
    auto copy = BackupBeforeChange(m_catalogue);
    if (!copy)
        return DbStatus::failure("Before changing anything the catalogue is copied into the Backup folder, "
                                 "and that failed: " +
                                 copy.error());
    m_safetyCopy = *copy;
    m_createdNodes.clear();
    m_overwrite.reset();
    m_overwriting = false;

    m_transaction = std::make_unique<Transaction>(m_catalogue.database());
    if (!m_transaction->began()) {
        DbStatus s = m_transaction->began();
        m_transaction.reset();
        return s;
    }
    DiscCursor& cursor = m_catalogue.discCursor();
    cursor.cancel();
    if (auto s = m_catalogue.database().exec("DELETE FROM KAVRO"); !s) {
        rollback();
        return s;
    }
    m_catalogue.clock().processEvents();
    if (auto s = cursor.requery(); !s) {
        rollback();
        return s;
    }
    return {};
}

DbResult<int> CatalogueRestoreSession::categoryId(std::string_view rawName, Match match)
{
    const std::string name = CleanCategoryName(rawName);
    if (name.empty())
        return 0;
    CategoryTree& tree = m_catalogue.categoryTree();
    TreeNode* exact = nullptr;
    TreeNode* folded = nullptr;
    tree.forEach([&](TreeNode& n) {
        if (!n.isCategory())
            return;
        if (!exact && n.text == name)
            exact = &n;
        if (!folded && match == Match::IgnoreCase && text::equalsIgnoreAsciiCase(n.text, name))
            folded = &n;
    });
    if (exact)
        return exact->id;
    if (folded)
        return folded->id;

    CategoryList& list = m_catalogue.categories();
    TreeNode* root = tree.categoryRoot();
    if (list.isFull() || !root)
        return DbResult<int>::failure("The category \"" + name + "\" cannot be made: there are already " +
                                      std::to_string(CategoryList::Capacity) + " categories.");
    if (!list.hasNextId())
        return DbResult<int>::failure("The category \"" + name +
                                      "\" cannot be made: no category id is left.");
    TreeNode& node = root->addChild(name);
    node.image = 14;
    node.selectedImage = 15;
    list.add(list.nextCategoryId + 1, node);
    list.nextCategoryId += 1;
    m_createdNodes.push_back(&node);
    return node.id;
}

TreeNode* CatalogueRestoreSession::categoryNode(int id) const
{
    TreeNode* found = nullptr;
    m_catalogue.categoryTree().forEach([&](TreeNode& n) {
        if (!found && n.isCategory() && n.id == id)
            found = &n;
    });
    return found;
}

DbStatus CatalogueRestoreSession::nest(std::string_view name, std::string_view parentName)
{
    auto id = categoryId(name, Match::IgnoreCase);
    if (!id)
        return id.status();
    TreeNode* node = *id != 0 ? categoryNode(*id) : nullptr;
    if (!node)
        return {};
    TreeNode* parent = m_catalogue.categoryTree().categoryRoot();
    if (!CleanCategoryName(parentName).empty()) {
        auto parentId = categoryId(parentName, Match::IgnoreCase);
        if (!parentId)
            return parentId.status();
        parent = categoryNode(*parentId);
    }
    if (!parent || node->parent() == parent || parent->isWithin(*node))
        return {};
    m_moves.push_back({node, node->parent()});
    m_catalogue.categoryTree().moveTo(*node, *parent);
    return {};
}

DbResult<CatalogueRestoreSession::RowStart> CatalogueRestoreSession::startRow(int machine, int slot)
{
    DiscCursor& cursor = m_catalogue.discCursor();
    m_overwriting = false;
    if (LocateDisc(m_catalogue, machine, slot)) {
        if (!m_overwrite) {
            // The source holds this disc twice: the question names it, and Enter keeps the first.
            const Texts& texts = m_catalogue.texts();
            const std::string question = texts.text("1008", "已存在的資料是否蓋過?") + "\n\n" +
                                         text::trimSpaces(cursor.text("TitleA")) + "\n" +
                                         text::fillIn(texts.text("5106", "機號 %1，槽位 %2"),
                                                      {std::to_string(machine), std::to_string(slot)}) +
                                         "\n\n" + texts.text("5107", "此回答適用於每一片重複的光碟。");
            const BoxAnswer answer =
                m_catalogue.person().messageBox(question, texts.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                                BoxButtons::YesNo, BoxAnswer::No);
            m_overwrite = answer == BoxAnswer::Yes;
            // The box let other events run; find the row again.
            if (!LocateDisc(m_catalogue, machine, slot))
                return DbResult<RowStart>::failure("The disc row moved while the question was open.");
        }
        if (!*m_overwrite)
            return RowStart::Skipped;
        if (auto s = cursor.edit(); !s)
            return s;
        m_overwriting = true;
        return RowStart::Overwriting;
    }
    if (auto s = cursor.append(); !s)
        return s;
    if (auto s = cursor.setField("Slot", DbValue(slot)); !s)
        return s;
    if (auto s = cursor.setField("MachineNo", DbValue(machine)); !s)
        return s;
    return RowStart::Appended;
}

DbStatus CatalogueRestoreSession::set(std::string_view column, DbValue value)
{
    return m_catalogue.discCursor().setField(column, std::move(value));
}

bool CatalogueRestoreSession::isEmptyValue(const DbValue& v) const
{
    switch (v.type()) {
    case DbValue::Type::Null:
        return true;
    case DbValue::Type::Text:
        return text::trimBlanks(v.bytes()).empty();
    case DbValue::Type::Blob:
        return v.bytes().empty();
    default:
        return false;
    }
}

bool CatalogueRestoreSession::mayFill(std::string_view column)
{
    return m_overwriting || isEmptyValue(m_catalogue.discCursor().field(column));
}

DbStatus CatalogueRestoreSession::fill(std::string_view column, DbValue value)
{
    if (isEmptyValue(value) || !mayFill(column))
        return {};
    return set(column, std::move(value));
}

DbStatus CatalogueRestoreSession::postRow()
{
    DiscCursor& cursor = m_catalogue.discCursor();
    auto s = cursor.post();
    if (!s)
        cursor.cancel();
    m_overwriting = false;
    return s;
}

DbResult<bool> CatalogueRestoreSession::knowsMachine(int machine, const ImportRegistry* registry)
{
    if (registry && registry->hasMachine(machine))
        return true;
    Query& probe = m_catalogue.probeQuery();
    probe.close();
    probe.setSql("SELECT DEVICENO FROM CDDEVICE");
    if (auto s = probe.open(); !s)
        return s;
    bool known = false;
    for (probe.first(); !probe.eof() && !known; probe.next())
        known = deviceNumber(probe.field("DEVICENO").asText()) == machine;
    probe.close();
    return known;
}

DbResult<int> CatalogueRestoreSession::bringOverMachines(OldCatalogueSource& source,
                                                         const std::vector<int>& machines,
                                                         const ImportRegistry* registry)
{
    if (machines.empty())
        return 0;
    auto rows = source.machines();
    if (!rows)
        return rows.status();
    std::set<int> wanted(machines.begin(), machines.end());
    int added = 0;
    Query& change = m_catalogue.changeQuery();
    for (const OldMachineRow& row : *rows) {
        const int id = deviceNumber(row.deviceNo);
        if (id == 0 || !wanted.contains(id))
            continue;
        auto known = knowsMachine(id, registry);
        if (!known)
            return known.status();
        wanted.erase(id);
        if (*known)
            continue;
        change.close();
        change.setSql("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) "
                      "VALUES(:DEVICENO,:DEVICENAME,:DEVICETYPE,:DEVICEACT)");
        change.setParam("DEVICENO", DbValue(text::trimBlanks(row.deviceNo)));
        change.setParam("DEVICENAME", DbValue(text::trimBlanks(row.name)));
        change.setParam("DEVICETYPE", DbValue(text::trimBlanks(row.type)));
        change.setParam("DEVICEACT", DbValue(row.active));
        if (auto s = change.execute(); !s)
            return s.status();
        ++added;
    }
    change.close();
    return added;
}

DbStatus CatalogueRestoreSession::commit()
{
    if (!isActive())
        return DbStatus::failure("No import is running.");
    // The mirror file follows the table only once the table's change is final.
    std::optional<std::string> mirrorText;
    if (!m_createdNodes.empty() || !m_moves.empty()) {
        std::string text;
        auto saved = SaveCategories(m_catalogue, text);
        if (!saved) {
            rollback();
            return saved.status();
        }
        mirrorText = std::move(text);
    }
    if (auto s = m_transaction->commit(); !s) {
        rollback();
        return s;
    }
    m_transaction.reset();
    m_createdNodes.clear();
    m_moves.clear();
    m_catalogue.discCursor().requery();
    // Past the commit the table holds the categories, and the table is what the next start reads;
    // a file that cannot be written is only a stale mirror.
    if (mirrorText)
        (void)WriteCategoryMirror(m_catalogue, *mirrorText);
    return {};
}

void CatalogueRestoreSession::rollback()
{
    if (!m_transaction)
        return;
    m_catalogue.discCursor().cancel();
    m_transaction->rollback();
    m_transaction.reset();
    m_catalogue.discCursor().requery();

    CategoryTree& tree = m_catalogue.categoryTree();
    // Moves first: a category of the catalogue may have been put under one made here.
    for (auto it = m_moves.rbegin(); it != m_moves.rend(); ++it)
        tree.moveTo(*it->node, *it->from);
    m_moves.clear();
    CategoryList& list = m_catalogue.categories();
    for (auto it = m_createdNodes.rbegin(); it != m_createdNodes.rend(); ++it) {
        TreeNode* node = *it;
        if (node->entry >= 0 && node->entry < list.count() && list[node->entry].node == node)
            list[node->entry].node = nullptr;
        tree.remove(*node);
    }
    m_createdNodes.clear();
}

} // namespace kavro
