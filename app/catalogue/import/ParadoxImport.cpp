#include "catalogue/import/ParadoxImport.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/import/CatalogueRestoreSession.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/records/Categories.h"
#include "catalogue/import/ImportRegistry.h"
#include "catalogue/import/ParadoxTable.h"
#include "content/ImportTextTree.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>

namespace kavro {

namespace {

namespace fs = std::filesystem;

// Far more than a remark or a disc picture holds; a bigger side file is left out, not read.
constexpr std::uintmax_t kMaxRemarkBytes = 4u << 20;
constexpr std::uintmax_t kMaxPictureBytes = 64u << 20;
constexpr int kMaxSlot = 150;

const char* const kColumns[] = {"cd_id", "name", "machine_id", "slot_id", "cd_type", "barcode"};

// A folder of side files. The older program ran where file names ignore case, so names are found
// without regard to the case of the letters A to Z when the exact spelling is missing.
class SideFolder {
public:
    SideFolder(const fs::path& parent, std::string_view name)
    {
        std::error_code ec;
        if (fs::is_directory(parent / name, ec)) {
            m_folder = parent / name;
        } else {
            for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
                if (it->is_directory(ec) &&
                    text::equalsIgnoreAsciiCase(text::decodeLegacy(it->path().filename().string()), name)) {
                    m_folder = it->path();
                    break;
                }
            }
        }
        if (!m_folder)
            return;
        for (fs::directory_iterator it(*m_folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string key = text::upperAscii(text::decodeLegacy(it->path().filename().string()));
            m_byName.emplace(key, it->path());
        }
    }

    std::optional<fs::path> file(std::string_view name) const
    {
        if (!m_folder)
            return std::nullopt;
        std::error_code ec;
        fs::path exact = *m_folder / name;
        if (fs::is_regular_file(exact, ec))
            return exact;
        const auto it = m_byName.find(text::upperAscii(name));
        if (it != m_byName.end() && fs::is_regular_file(it->second, ec))
            return it->second;
        return std::nullopt;
    }

private:
    std::optional<fs::path> m_folder;
    std::map<std::string, fs::path> m_byName;
};

std::optional<std::string> readWhole(const fs::path& file, std::uintmax_t limit, std::string& why)
{
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec) {
        why = ec.message();
        return std::nullopt;
    }
    if (size > limit) {
        why = "it is larger than " + std::to_string(limit >> 20) + " MB";
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        why = "it cannot be read";
        return std::nullopt;
    }
    return bytes;
}

// A whole number from a number field, as the older program read its decimal texts.
std::optional<int> wholeNumber(const std::optional<double>& v)
{
    if (!v || !std::isfinite(*v) || *v != std::floor(*v) || std::fabs(*v) > 0x7fffffff)
        return std::nullopt;
    return static_cast<int>(*v);
}

// A file found in the parent folder whatever the case of its name.
std::optional<fs::path> findInFolder(const fs::path& folder, std::string_view name)
{
    std::error_code ec;
    if (fs::is_regular_file(folder / name, ec))
        return folder / name;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && text::equalsIgnoreAsciiCase(it->path().filename().string(), name))
            return it->path();
    }
    return std::nullopt;
}

void progress(Catalogue& catalogue, int value, int maximum, const std::string& status)
{
    catalogue.person().progress(value, maximum, status);
}

} // namespace

std::optional<std::vector<int>> ReadOldMachineList(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<int> ids;
    std::string line;
    while (std::getline(in, line)) {
        const std::string t = text::trimBlanks(line);
        char* end = nullptr;
        const long long v = std::strtoll(t.c_str(), &end, 10);
        if (end != t.c_str() && v > 0 && v <= 0x7fffffffLL)
            ids.push_back(static_cast<int>(v));
    }
    return ids;
}

std::optional<std::string> ParadoxMisc1(std::string_view category, std::string_view title,
                                        std::string_view barcode)
{
    if (category.empty() && title.empty() && barcode.empty())
        return std::nullopt;
    return "Category=" + std::string(category) + "\r\nTitle=" + std::string(title) +
           "\r\nBarcode=" + std::string(barcode) + "\r\n";
}

bool IsSafeCdId(std::string_view cdId)
{
    return !cdId.empty() && cdId.find('/') == std::string_view::npos &&
           cdId.find('\\') == std::string_view::npos && cdId.find("..") == std::string_view::npos &&
           cdId.find('\0') == std::string_view::npos;
}

CatalogueRestoreResult RunParadoxImport(Catalogue& catalogue, ImportRegistry& registry)
{
    const Texts& texts = catalogue.texts();
    const auto chosen =
        catalogue.person().chooseFile(texts.text("0510", "選取匯入資料庫(*.DB)"),
                                      catalogue.programFolder().string(), "Paradox (*.DB *.db)");
    if (!chosen || chosen->empty())
        return {};
    return ImportParadoxCatalogue(catalogue, registry, *chosen);
}

CatalogueRestoreResult ImportParadoxCatalogue(Catalogue& catalogue, ImportRegistry& registry,
                                              const fs::path& tableFile)
{
    CatalogueRestoreResult result;
    Person& person = catalogue.person();
    Clock& clock = catalogue.clock();
    const Texts& texts = catalogue.texts();
    const std::string caption = texts.text("0000", "KAVRO 5.1");
    BusyCursor busy(person);

    CatalogueRestoreSession session(catalogue);
    // Everything is put back before the person hears about it.
    auto failed = [&](std::string why) {
        session.rollback();
        progress(catalogue, 0, 0, {});
        result.error = why + "\r\nThe catalogue has not been changed.";
        person.messageBox(result.error, caption, BoxIcon::Warning, BoxButtons::Ok);
        return result;
    };

    const fs::path parent = tableFile.parent_path().parent_path();
    const auto dbid = findInFolder(parent, "dbid.txt");
    if (!dbid) {
        const std::string path = (parent / "dbid.txt").string();
        person.messageBox(path, caption, BoxIcon::None, BoxButtons::Ok);
        result.error = path + " does not exist.";
        return result;
    }
    const auto machines = ReadOldMachineList(*dbid);
    if (!machines) {
        result.error = "Cannot read " + dbid->string() + ".";
        person.messageBox(result.error, caption, BoxIcon::Warning, BoxButtons::Ok);
        return result;
    }

    ParadoxTable table;
    if (auto s = table.open(tableFile); !s)
        return failed(s.error());
    for (const char* column : kColumns) {
        if (!table.hasField(column))
            return failed("The Paradox table " + tableFile.string() + " has no column " + column + ".");
    }

    if (auto s = session.begin(); !s)
        return failed(s.error());
    result.safetyCopy = session.safetyCopy();

    const SideFolder remarks(parent, "Remark");
    const SideFolder trees(parent, "CdInfo");
    const SideFolder pictures(parent, "Preview");
    const int rows = table.rowCount();
    const int maximum = rows + 10;
    bool askedMachine = false;
    for (int i = 0; i < rows; ++i) {
        progress(catalogue, i + 1, maximum, std::to_string(i + 1));
        clock.processEvents();
        auto row = table.row(i);
        if (!row)
            return failed(row.error());
        ++result.rowsRead;

        const std::string cdId = text::trimBlanks(row->text("cd_id"));
        const std::string name = text::trimBlanks(row->text("name"));
        const std::string cdType = text::trimBlanks(row->text("cd_type"));
        const std::string barcode = text::trimBlanks(row->text("barcode"));

        auto category = session.categoryId(cdType, CatalogueRestoreSession::Match::Exact);
        if (!category)
            return failed("Row " + std::to_string(i + 1) + ": " + category.error());

        const auto oldNumber = wholeNumber(row->number("machine_id"));
        if (!oldNumber || *oldNumber < 1 || *oldNumber > static_cast<int>(machines->size())) {
            ++result.wrongMachineRows;
            if (!askedMachine) {
                askedMachine = true;
                if (person.messageBox("Wrong machine no, Continue ?", caption, BoxIcon::Question,
                                      BoxButtons::YesNo) != BoxAnswer::Yes)
                    break;
            }
            continue;
        }
        const auto slot = wholeNumber(row->number("slot_id"));
        if (!slot || *slot < 1 || *slot > kMaxSlot) {
            ++result.badRows;
            result.notes.push_back("Row " + std::to_string(i + 1) + " has no slot from 1 to 150 (" +
                                   text::trimBlanks(row->text("slot_id")) + ") and was left out.");
            continue;
        }
        const int machine = (*machines)[static_cast<std::size_t>(*oldNumber - 1)];

        auto start = session.startRow(machine, *slot);
        if (!start)
            return failed(start.error());
        if (*start == CatalogueRestoreSession::RowStart::Skipped) {
            ++result.repeatsSkipped;
            continue;
        }
        DbStatus s;
        if (*start == CatalogueRestoreSession::RowStart::Appended) {
            if (s)
                s = session.set("Categoryname", DbValue(cdType));
            if (s)
                s = session.set("TitleA", DbValue(name));
            if (s)
                s = session.set("Barcode", DbValue(barcode));
        }
        if (s)
            s = session.set("Category", DbValue(*category));
        if (s)
            s = session.set("CreateDate", DbValue(CatalogueTimestamp(std::chrono::system_clock::now())));
        if (const auto misc1 = ParadoxMisc1(cdType, name, barcode); s && misc1)
            s = session.fill("Misc1", DbValue(*misc1));

        const bool safe = IsSafeCdId(cdId);
        if (!safe && !cdId.empty())
            result.unsafeCdIds.push_back(cdId);
        std::string why;
        if (const auto file = safe ? remarks.file(cdId) : std::nullopt; s && file) {
            if (const auto bytes = readWhole(*file, kMaxRemarkBytes, why))
                s = session.fill("Remark", DbValue(text::decodeLegacy(*bytes)));
            else
                result.notes.push_back("The remark " + file->string() + " was left out: " + why + ".");
        }
        if (const auto file = safe ? trees.file(cdId + ".tv") : std::nullopt; s && file) {
            const TextTreeImport tree = ImportTextTree(*file);
            if (!tree.ok) {
                result.notes.push_back("The file tree " + file->string() + " was left out: " + tree.error);
            } else {
                if (tree.truncated)
                    result.notes.push_back("The file tree " + file->string() + " was too large; it was cut.");
                if (session.mayFill("TreeIndexS"))
                    s = session.set("TreeIndexS", DbValue(tree.tree.entryCount()));
                if (s && session.mayFill("TreeDataS"))
                    s = session.set("TreeDataS", DbValue(tree.tree.poolBytes()));
                if (s && tree.tree.entryCount() >= 1) {
                    s = session.fill("TreeIndex", DbValue::blob(tree.tree.indexBlock()));
                    if (s)
                        s = session.fill("TreeData", DbValue::blob(tree.tree.pool));
                }
            }
        }
        if (const auto file = safe ? pictures.file(cdId + ".bmp") : std::nullopt; s && file) {
            if (const auto bytes = readWhole(*file, kMaxPictureBytes, why))
                s = session.fill("Pic", DbValue::blob(*bytes));
            else
                result.notes.push_back("The picture " + file->string() + " was left out: " + why + ".");
        }
        if (s)
            s = session.postRow();
        if (!s)
            return failed("Row " + std::to_string(i + 1) + " cannot be written: " + s.error());
        if (*start == CatalogueRestoreSession::RowStart::Appended)
            ++result.discsAdded;
        else
            ++result.discsOverwritten;
    }
    table.close();
    result.categoriesCreated = session.categoriesCreated();

    progress(catalogue, maximum, maximum, "Table Requery");
    progress(catalogue, maximum, maximum, "cnt category " + std::to_string(result.categoriesCreated));
    // Only a disc that came over changes the catalogue: a category made for rows that were then
    // left out (a wrong machine number) brings nothing, and the discs must not be lost for it.
    if (result.discsAdded > 0 || result.discsOverwritten > 0) {
        progress(catalogue, maximum, maximum, "Write Category");
        if (auto s = session.commit(); !s)
            return failed(s.error());
        catalogue.categoryTree().sort();
        progress(catalogue, maximum, maximum, "Read Category");
        if (auto loaded = LoadCategories(catalogue); !loaded)
            result.notes.push_back("The categories cannot be read again: " + loaded.error());
        progress(catalogue, maximum, maximum, "Read Table to tree");
        result.changed = true;
        result.endProgram = true;
    } else {
        // Nothing came over: the catalogue keeps its discs rather than being left empty.
        session.rollback();
        result.categoriesCreated = 0;
    }

    // The machines of the old catalogue become known machines.
    for (std::size_t n = 0; n < machines->size(); ++n) {
        const int id = (*machines)[n];
        if (registry.hasMachine(id))
            continue;
        const std::string machineName =
            (registry.machineCount() == 0 ? "IMPORT" : "KAVRO") + std::to_string(id);
        if (registry.addMachine(id, machineName, static_cast<int>(n + 1)))
            ++result.machinesAdded;
        else
            result.notes.push_back("The machine " + std::to_string(id) +
                                   " was not registered: the machine table is full.");
        clock.processEvents();
    }
    if (!registry.save())
        result.notes.push_back("The machine list dbid.txt cannot be written.");
    progress(catalogue, 0, 0, {});
    return result;
}

} // namespace kavro
