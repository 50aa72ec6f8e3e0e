#include "catalogue/records/Categories.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueBackup.h"
#include "catalogue/database/SqliteColumns.h"
#include "catalogue/database/Transaction.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace kavro {

namespace {

constexpr int kNameWidth = 128;
constexpr int kWarnAboveId = 20000;

constexpr const char* kSelectAll = "SELECT * FROM CATEGORY";
constexpr const char* kInsert =
    "INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)";
constexpr const char* kDeleteByName = "Delete FROM CATEGORY WHERE CATEGORYNAME=:CATEGORYNAME";
constexpr const char* kProbeName = "SELECT CATEGORYNAME FROM CATEGORY WHERE CATEGORYNAME=:CATEGORYNAME";
constexpr const char* kUpdateId =
    "Update CATEGORY SET CATEGORYID=:CATEGORYID WHERE CATEGORYNAME=:CATEGORYNAME";
constexpr const char* kProbeId = "SELECT CATEGORYID FROM CATEGORY WHERE CATEGORYID=:CATEGORYID";
constexpr const char* kUpdateName =
    "Update CATEGORY SET CATEGORYNAME=:CATEGORYNAME WHERE CATEGORYID=:CATEGORYID";
constexpr const char* kDeleteById = "Delete From CATEGORY WHERE CATEGORYID=:CATEGORYID";
constexpr const char* kSelectNesting = "SELECT CATEGORYID, PARENTID FROM CATEGORYTREE ORDER BY rowid";
constexpr const char* kMakeNesting = "CREATE TABLE IF NOT EXISTS CATEGORYTREE (CATEGORYID INTEGER, PARENTID INTEGER)";
constexpr const char* kClearNesting = "DELETE FROM CATEGORYTREE";
constexpr const char* kDropNesting = "DROP TABLE IF EXISTS CATEGORYTREE";
constexpr const char* kInsertNesting = "INSERT INTO CATEGORYTREE (CATEGORYID,PARENTID) VALUES(:CATEGORYID,:PARENTID)";

std::filesystem::path mirrorFile(const Catalogue& catalogue)
{
    return catalogue.dataFolder() / "category.txt";
}

void giveCategoryImages(TreeNode& node)
{
    node.image = 14;
    node.selectedImage = 15;
}

void warnAboutIds(Catalogue& catalogue)
{
    if (catalogue.categories().nextCategoryId > kWarnAboveId)
        catalogue.person().messageBox("Wrong category key !!!", "System Message", BoxIcon::Warning,
                                      BoxButtons::Ok);
}

// The decimal number at the start of s, as the C library reads it; 0 when there is none or it
// does not fit 32 bits.
int readId(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > 0x7fffffffLL)
            return 0;
    }
    return static_cast<int>(negative ? -v : v);
}

DbStatus insertRow(Catalogue& catalogue, const std::string& name, int id)
{
    Query& change = catalogue.changeQuery();
    change.close();
    change.setSql(kInsert);
    change.setParam("CATEGORYNAME", DbValue(name));
    change.setParam("CATEGORYID", DbValue(id));
    return change.execute().status();
}

DbStatus insertNesting(Catalogue& catalogue, int id, int parentId)
{
    Query& change = catalogue.changeQuery();
    change.close();
    change.setSql(kInsertNesting);
    change.setParam("CATEGORYID", DbValue(id));
    change.setParam("PARENTID", DbValue(parentId));
    return change.execute().status();
}

int parentIdOf(const TreeNode& node)
{
    const TreeNode* parent = node.parent();
    return parent != nullptr && parent->isCategory() ? parent->id : 0;
}

// Gives the categories loaded flat from CATEGORY the nesting kept in CATEGORYTREE: each row, in
// tree order, makes its category the last child of its parent (the root for 0). Rows of unknown
// ids, and rows that would put a category inside itself, are passed over; categories without a
// row stay directly under the root, as in a catalogue that has never had the table filled.
void applyNesting(Catalogue& catalogue, TreeNode& root)
{
    Query& listing = catalogue.listingQuery();
    listing.close();
    listing.setSql(kSelectNesting);
    if (!listing.open())
        return;
    std::vector<std::pair<int, int>> rows;
    for (listing.first(); !listing.eof(); listing.next())
        rows.emplace_back(listing.field("CATEGORYID").asInt(), listing.field("PARENTID").asInt());
    listing.close();
    if (rows.empty())
        return;
    std::map<int, TreeNode*> byId;
    for (const auto& child : root.children())
        if (child->isCategory())
            byId.emplace(child->id, child.get());
    std::set<int> placed;
    CategoryTree& tree = catalogue.categoryTree();
    for (const auto& [id, parentId] : rows) {
        const auto node = byId.find(id);
        if (node == byId.end() || !placed.insert(id).second)
            continue;
        TreeNode* parent = &root;
        if (parentId != 0) {
            const auto found = byId.find(parentId);
            if (found == byId.end() || found->second->isWithin(*node->second))
                continue;
            parent = found->second;
        }
        tree.moveTo(*node->second, *parent);
    }
}

void collectCategories(TreeNode& node, std::vector<TreeNode*>& out)
{
    if (node.isCategory())
        out.push_back(&node);
    for (const auto& c : node.children())
        collectCategories(*c, out);
}

// CATEGORYTREE holds one row per named category, in tree order, while any category is nested.
// A flat tree needs no table: the catalogue then has just the three tables of older programs.
DbStatus writeNesting(Catalogue& catalogue, const std::vector<TreeNode*>& nodes)
{
    const auto named = [](const TreeNode* n) { return !CleanCategoryName(n->text).empty(); };
    const bool nested = std::any_of(nodes.begin(), nodes.end(),
                                    [&](const TreeNode* n) { return named(n) && parentIdOf(*n) != 0; });
    Database& db = catalogue.database();
    if (!nested)
        return db.exec(kDropNesting);
    if (auto s = db.exec(kMakeNesting); !s)
        return s;
    if (auto s = db.exec(kClearNesting); !s)
        return s;
    for (const TreeNode* node : nodes)
        if (named(node))
            if (auto s = insertNesting(catalogue, node->id, parentIdOf(*node)); !s)
                return s;
    catalogue.changeQuery().close();
    return {};
}

DbResult<int> loadFromFile(Catalogue& catalogue, TreeNode& root)
{
    std::ifstream in(mirrorFile(catalogue), std::ios::binary);
    if (!in)
        return -1;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string content = text::decodeLegacy(bytes);

    CategoryList& list = catalogue.categories();
    TreeNode* parent = &root;
    int depth = 1;
    TreeNode* last = nullptr;
    Transaction transaction(catalogue.database());
    if (!transaction.began())
        return transaction.began();
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string::npos)
            end = content.size();
        std::string_view line(content.data() + pos, end - pos);
        pos = end + 1;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto parsed = ParseCategoryLine(line);
        if (!parsed)
            continue;
        if (parsed->depth > depth && last) {
            // One level deeper per line, however many tabs were added.
            ++depth;
            parent = last;
        } else if (parsed->depth < depth) {
            while (depth > parsed->depth && parent != &root && parent->parent()) {
                parent = parent->parent();
                --depth;
            }
        }
        if (!list.isFull()) {
            TreeNode& node = parent->addChild(parsed->name);
            giveCategoryImages(node);
            list.add(parsed->id, node);
            last = &node;
        }
        // Rows past the list's capacity are still kept, and their ids still count, so that no
        // later category is given an id in use.
        if (auto s = insertRow(catalogue, parsed->name, parsed->id); !s)
            return s;

        list.nextCategoryId = std::max(list.nextCategoryId, parsed->id);
        catalogue.clock().processEvents();
    }
    // The nesting goes with the catalogue, so that the next start, which reads the table,
    // shows the same tree.
    std::vector<TreeNode*> nodes;
    collectCategories(root, nodes);
    if (auto s = writeNesting(catalogue, nodes); !s)
        return s;
    if (auto s = transaction.commit(); !s)
        return s;
    warnAboutIds(catalogue);
    if (list.hasNextId())
        list.nextCategoryId += 1;
    return list.count();
}


} // namespace

std::string CleanCategoryName(std::string_view textIn)
{
    std::string s(textIn);
    for (char& c : s) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return columns::cutToWidth(text::trimBlanks(s), kNameWidth);
}

std::optional<CategoryLine> ParseCategoryLine(std::string_view line)
{
    const std::size_t comma = line.rfind(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    CategoryLine result;
    result.id = readId(line.substr(comma + 1));
    if (result.id == 0)
        return std::nullopt;
    std::size_t tabs = 0;
    while (tabs < comma && line[tabs] == '\t')
        ++tabs;
    result.depth = static_cast<int>(tabs) + 1;
    result.name = CleanCategoryName(line.substr(tabs, comma - tabs));
    return result;
}

DbResult<int> LoadCategories(Catalogue& catalogue)
{
    CategoryTree& tree = catalogue.categoryTree();
    CategoryList& list = catalogue.categories();
    const Texts& texts = catalogue.texts();
    tree.clear();
    list.clear();
    TreeNode& root = tree.addTop(TopNode::CategoryRoot, texts.text("1049", "資料"));
    giveCategoryImages(root);

    Query& listing = catalogue.listingQuery();
    listing.close();
    listing.setSql(kSelectAll);
    DbStatus opened = listing.open();
    catalogue.clock().processEvents();

    DbResult<int> result = 0;
    if (!opened) {
        result = opened;
    } else if (!listing.isEmpty()) {
        for (listing.first(); !listing.eof(); listing.next()) {
            const std::string name = text::trimSpaces(listing.field("CATEGORYNAME").asText());
            const int id = listing.field("CATEGORYID").asInt();
            if (!list.isFull()) {
                TreeNode& node = root.addChild(name);
                giveCategoryImages(node);
                list.add(id, node);
            }
            list.nextCategoryId =
                std::max(list.hasNextId() ? list.nextCategoryId + 1 : list.nextCategoryId, id);
        }
        warnAboutIds(catalogue);
        result = list.count();
        applyNesting(catalogue, root);
    } else {
        result = loadFromFile(catalogue, root);
    }

    giveCategoryImages(tree.addTop(TopNode::SearchRoot, texts.text("1051", "搜尋")));
    giveCategoryImages(tree.addTop(TopNode::LogRoot, texts.text("1052", "紀錄")));
    listing.close();
    catalogue.changeQuery().close();
    return result;
}

DbResult<int> SaveCategories(Catalogue& catalogue, std::string& mirrorText)
{
    mirrorText.clear();
    Query& probe = catalogue.probeQuery();
    Query& change = catalogue.changeQuery();
    auto closeQueries = [&] {
        probe.close();
        change.close();
    };

    std::vector<TreeNode*> nodes;
    for (const auto& top : catalogue.categoryTree().topNodes())
        collectCategories(*top, nodes);

    Transaction transaction(catalogue.database());
    if (!transaction.began())
        return transaction.began();
    int lines = 0;
    for (TreeNode* node : nodes) {
        const std::string name = CleanCategoryName(node->text);
        const DbValue id(node->id);
        if (name.empty()) {
            change.close();
            change.setSql(kDeleteByName);
            change.setParam("CATEGORYNAME", DbValue(std::string()));
            if (auto s = change.execute(); !s) {
                closeQueries();
                return s.status();
            }
        } else {
            const std::string line =
                std::string(static_cast<std::size_t>(std::max(node->level() - 1, 0)), '\t') + name + "," +
                std::to_string(node->id) + "\r\n";
            mirrorText += line;
            ++lines;

            const char* statement = kInsert;
            probe.close();
            probe.setSql(kProbeName);
            probe.setParam("CATEGORYNAME", DbValue(name));
            DbStatus s = probe.open();
            if (s && !probe.isEmpty()) {
                statement = kUpdateId;
            } else if (s) {
                probe.close();
                probe.setSql(kProbeId);
                probe.setParam("CATEGORYID", id);
                s = probe.open();
                if (s && !probe.isEmpty())
                    statement = kUpdateName;
            }
            if (s) {
                change.close();
                change.setSql(statement);
                change.setParam("CATEGORYNAME", DbValue(name));
                change.setParam("CATEGORYID", id);
                s = change.execute().status();
            }

            if (!s) {
                closeQueries();
                return s;
            }
        }
        catalogue.clock().processEvents();
    }
    closeQueries();
    // The nesting is written whole, in tree order, with the table.
    if (auto s = writeNesting(catalogue, nodes); !s)
        return s;
    if (auto s = transaction.commit(); !s)
        return s;
    return lines;
}

bool WriteCategoryMirror(const Catalogue& catalogue, const std::string& mirrorText)
{
    std::ofstream out(mirrorFile(catalogue), std::ios::binary | std::ios::trunc);
    out.write(mirrorText.data(), static_cast<std::streamsize>(mirrorText.size()));
    out.close();
    return static_cast<bool>(out);
}

DbResult<int> SaveCategories(Catalogue& catalogue)
{
    // Opened without emptying it: a file that cannot be written stops the save before the table
    // changes, and a failure in the table leaves the file as it was.
    if (!std::ofstream(mirrorFile(catalogue), std::ios::binary | std::ios::app))
        return -1;
    std::string mirrorText;
    auto lines = SaveCategories(catalogue, mirrorText);
    if (!lines)
        return lines;
    // After the table: the file is read only while the table is empty, so a run ended between the
    // two never brings back categories the table no longer has.
    if (!WriteCategoryMirror(catalogue, mirrorText))
        return DbResult<int>::failure("Cannot write " + mirrorFile(catalogue).string() + ".");
    return lines;
}

bool CategoryNameTaken(const Catalogue& catalogue, std::string_view name, const TreeNode* except)
{
    const std::string wanted = CleanCategoryName(name);
    bool taken = false;
    catalogue.categoryTree().forEach([&](TreeNode& n) {
        if (!taken && &n != except && n.isCategory() && CleanCategoryName(n.text) == wanted)
            taken = true;
    });
    return taken;
}

DbResult<TreeNode*> NewCategory(Catalogue& catalogue)
{
    CategoryList& list = catalogue.categories();
    TreeNode* root = catalogue.categoryTree().categoryRoot();
    if (list.isFull() || !root || !list.hasNextId())
        return static_cast<TreeNode*>(nullptr);
    std::string name = "New";
    for (int n = 2; CategoryNameTaken(catalogue, name, nullptr); ++n)
        name = "New (" + std::to_string(n) + ")";
    TreeNode& node = root->addChild(name);
    giveCategoryImages(node);
    list.add(list.nextCategoryId + 1, node);
    list.nextCategoryId += 1;
    if (auto saved = SaveCategories(catalogue); !saved)
        return saved.status();
    return &node;
}

DbResult<bool> RenameCategory(Catalogue& catalogue, TreeNode& node, std::string_view editedText)
{
    if (!node.isCategory())
        return false;
    const std::string name = CleanCategoryName(editedText);
    if (!name.empty() && CategoryNameTaken(catalogue, name, &node))
        return false;
    node.text = name;
    auto saved = SaveCategories(catalogue);
    catalogue.categoryTree().sort();
    if (!saved)
        return saved.status();
    return true;
}

DbResult<bool> DeleteCategory(Catalogue& catalogue, TreeNode& node)
{
    if (!node.isCategory())
        return false;
    // The category and its sub-categories go together with every disc filed in them; the question
    // names the category and counts what goes with it.
    std::vector<TreeNode*> doomed;
    collectCategories(node, doomed);
    std::set<std::pair<int, int>> discs;
    {
        BusyCursor busy(catalogue.person());
        Query& listing = catalogue.listingQuery();
        for (TreeNode* c : doomed) {
            listing.close();
            listing.setSql("SELECT MachineNo, Slot FROM KAVRO WHERE Category=:CATEGORYID");
            listing.setParam("CATEGORYID", DbValue(c->id));
            if (auto s = listing.open(); !s)
                return s;
            for (listing.first(); !listing.eof(); listing.next())
                discs.emplace(listing.field("MachineNo").asInt(), listing.field("Slot").asInt());
        }
        listing.close();
        node.forEachDescendant([&](TreeNode& n) {
            if (n.isDisc())
                discs.emplace(n.machine, n.slot);
        });
    }

    const Texts& texts = catalogue.texts();
    std::string question =
        texts.text("1055", "確定刪除此分類內所有資料嗎？") + "\n\n" +
        text::fillIn(texts.text("5100", "分類：%1"), {node.text}) + "\n" +
        text::fillIn(texts.text("5101", "一併刪除的光碟：%1 片"), {std::to_string(discs.size())});
    if (doomed.size() > 1)
        question += "\n" + text::fillIn(texts.text("5102", "一併刪除的子分類：%1 個"),
                                        {std::to_string(doomed.size() - 1)});
    const BoxAnswer answer =
        catalogue.person().messageBox(question, texts.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                      BoxButtons::OkCancel, BoxAnswer::Cancel);
    if (answer != BoxAnswer::Ok)
        return false;
    BusyCursor busy(catalogue.person());

    if (auto copy = BackupBeforeChange(catalogue); !copy)
        return copy.status();
    DbStatus changed = runInTransaction(catalogue.database(), [&]() -> DbStatus {
        Query& change = catalogue.changeQuery();
        for (TreeNode* c : doomed) {
            change.close();
            change.setSql("Delete FROM KAVRO WHERE Category=:CATEGORYID");
            change.setParam("CATEGORYID", DbValue(c->id));
            if (auto s = change.execute(); !s)
                return s.status();
            change.close();
            change.setSql(kDeleteById);
            change.setParam("CATEGORYID", DbValue(c->id));
            if (auto s = change.execute(); !s)
                return s.status();
            catalogue.clock().processEvents();
        }
        change.close();
        return {};
    });
    if (!changed) {
        catalogue.discCursor().requery();
        return changed;
    }

    CategoryTree& tree = catalogue.categoryTree();
    for (const auto& [machine, slot] : discs) {
        if (TreeNode* discNode = tree.findDisc(machine, slot))
            tree.remove(*discNode);
        catalogue.notifyDiscRemoved(machine, slot);
    }
    CategoryList& list = catalogue.categories();
    for (TreeNode* c : doomed) {
        if (c->entry >= 0 && c->entry < list.count() && list[c->entry].node == c)
            list[c->entry].node = nullptr;
    }
    tree.remove(node);
    if (auto saved = SaveCategories(catalogue); !saved)
        return saved.status();
    return true;
}

} // namespace kavro
