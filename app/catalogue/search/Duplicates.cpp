#include "catalogue/search/Duplicates.h"

#include "catalogue/database/SqliteColumns.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Misc1Text.h"
#include "content/FileTree.h"
#include "platform/Person.h"
#include "platform/Text.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <unordered_map>

namespace kavro {

namespace {

struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
};

std::int64_t fileSize(const TreeIndexEntry& e)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(e.findData.sizeHigh) << 32) |
                                     static_cast<std::uint32_t>(e.size));
}

// The tree of a row, read whole.
FileTree readTree(sqlite3_stmt* stmt, int indexColumn)
{
    const int indexCount = sqlite3_column_int(stmt, indexColumn + 2);
    const int dataCount = sqlite3_column_int(stmt, indexColumn + 3);
    const auto* index = static_cast<const char*>(sqlite3_column_blob(stmt, indexColumn));
    const auto indexBytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, indexColumn));
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, indexColumn + 1));
    const auto dataBytes = static_cast<std::size_t>(sqlite3_column_bytes(stmt, indexColumn + 1));
    if (!index || !data)
        return {};
    return FileTree::fromStored(indexCount, {index, indexBytes}, dataCount, {data, dataBytes});
}

DuplicateDisc discOf(Catalogue& catalogue, sqlite3_stmt* stmt)
{
    DuplicateDisc d;
    d.machine = sqlite3_column_int(stmt, 1);
    d.slot = sqlite3_column_int(stmt, 2);
    d.title = text::trimSpaces(columns::read(stmt, 3).asText());
    const Misc1Fields misc = ParseMisc1(columns::read(stmt, 4).asText());
    if (misc.title)
        d.title = *misc.title;
    d.machineName = catalogue.machineName(d.machine);
    return d;
}

std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char c : s)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

} // namespace

DbResult<std::vector<DuplicateDiscGroup>> FindDuplicateDiscs(Catalogue& catalogue)
{
    Database& db = catalogue.database();
    BusyCursor busy(catalogue.person());
    // Volume and serial of every row first: Misc1 lies before the trees in the row.
    auto list = db.prepare("SELECT rowid, MachineNo, Slot, TitleA, Misc1 FROM KAVRO ORDER BY rowid");
    if (!list)
        return list.status();
    std::map<std::pair<std::string, std::string>, std::vector<std::int64_t>> byVolume;
    {
        Finalize done{*list};
        while (sqlite3_step(*list) == SQLITE_ROW) {
            const Misc1Fields misc = ParseMisc1(columns::read(*list, 4).asText());
            if (misc.volume.empty() && misc.serial.empty())
                continue;
            byVolume[{misc.volume, misc.serial}].push_back(sqlite3_column_int64(*list, 0));
        }
    }
    auto one = db.prepare("SELECT rowid, MachineNo, Slot, TitleA, Misc1, TreeIndex, TreeData, TreeIndexS, "
                          "TreeDataS FROM KAVRO WHERE rowid = ?1");
    if (!one)
        return one.status();
    Finalize done{*one};
    std::vector<DuplicateDiscGroup> groups;
    for (const auto& [key, ids] : byVolume) {
        if (ids.size() < 2)
            continue;
        std::map<std::int64_t, DuplicateDiscGroup> bySize;
        for (const std::int64_t id : ids) {
            sqlite3_bind_int64(*one, 1, id);
            if (sqlite3_step(*one) == SQLITE_ROW) {
                const FileTree tree = readTree(*one, 5);
                std::int64_t size = 0;
                for (const TreeIndexEntry& e : tree.entries)
                    if (!e.isTerminator() && !e.isFolder())
                        size += fileSize(e);
                DuplicateDiscGroup& g = bySize[size];
                g.volume = key.first;
                g.serial = key.second;
                g.size = size;
                g.discs.push_back(discOf(catalogue, *one));
            }
            sqlite3_reset(*one);
        }
        for (auto& [size, g] : bySize)
            if (g.discs.size() >= 2)
                groups.push_back(std::move(g));
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const auto& a, const auto& b) { return a.size > b.size; });
    return groups;
}

DbResult<std::vector<DuplicateFile>> FindDuplicateFiles(Catalogue& catalogue, int limit, int keptCandidates)
{
    Database& db = catalogue.database();
    Person& person = catalogue.person();
    BusyCursor busy(person);
    int total = 0;
    {
        auto count = db.prepare("SELECT count(*) FROM KAVRO");
        if (!count)
            return count.status();
        Finalize done{*count};
        if (sqlite3_step(*count) == SQLITE_ROW)
            total = sqlite3_column_int(*count, 0);
    }
    auto rows = db.prepare("SELECT rowid, MachineNo, Slot, TitleA, Misc1, TreeIndex, TreeData, TreeIndexS, "
                           "TreeDataS FROM KAVRO ORDER BY rowid");
    if (!rows)
        return rows.status();
    Finalize done{*rows};
    // (size, name) -> the discs, by their position in discs; only sizes at or above the floor.
    std::map<std::pair<std::int64_t, std::string>, std::vector<int>> candidates;
    std::vector<DuplicateDisc> discs;
    std::int64_t floor = 0;
    int rc;
    int at = 0;
    while ((rc = sqlite3_step(*rows)) == SQLITE_ROW) {
        if (at % 20 == 0)
            person.progress(at, total, "Looking for files on more than one disc");
        ++at;
        const FileTree tree = readTree(*rows, 5);
        const int discIndex = static_cast<int>(discs.size());
        bool used = false;
        for (int i = 1; i < tree.entryCount(); ++i) {
            const TreeIndexEntry& e = tree.entries[static_cast<std::size_t>(i)];
            if (e.isTerminator() || e.isFolder() || !tree.hasName(i))
                continue;
            const std::int64_t size = fileSize(e);
            if (size < floor || size <= 0)
                continue;
            auto& list = candidates[{size, std::string(tree.nameAt(i))}];
            if (list.empty() || list.back() != discIndex)
                list.push_back(discIndex);
            used = true;
        }
        if (used)
            discs.push_back(discOf(catalogue, *rows));
        // Too many: drop the smallest sizes and raise the floor past them.
        while (static_cast<int>(candidates.size()) > keptCandidates) {
            const std::int64_t smallest = candidates.begin()->first.first;
            while (!candidates.empty() && candidates.begin()->first.first == smallest)
                candidates.erase(candidates.begin());
            floor = smallest + 1;
        }
    }
    person.progress(0, 0, {});
    if (rc != SQLITE_DONE)
        return DbStatus::failure(db.errorText("Cannot read the stored trees"));
    std::vector<DuplicateFile> out;
    for (auto it = candidates.rbegin(); it != candidates.rend() && static_cast<int>(out.size()) < limit; ++it) {
        if (it->second.size() < 2)
            continue;
        DuplicateFile f;
        f.size = it->first.first;
        f.name = it->first.second;
        for (const int d : it->second)
            f.discs.push_back(discs[static_cast<std::size_t>(d)]);
        out.push_back(std::move(f));
    }
    return out;
}

std::string DuplicatesCsv(const std::vector<DuplicateDiscGroup>& discs, const std::vector<DuplicateFile>& files)
{
    std::string csv = "kind,name,size,machine,slot,title\r\n";
    auto line = [&](const char* kind, const std::string& name, std::int64_t size, const DuplicateDisc& d) {
        csv += std::string(kind) + "," + csvField(name) + "," + std::to_string(size) + "," + csvField(d.machineName) +
               "," + std::to_string(d.slot) + "," + csvField(d.title) + "\r\n";
    };
    for (const auto& g : discs)
        for (const auto& d : g.discs)
            line("disc", g.volume + " " + g.serial, g.size, d);
    for (const auto& f : files)
        for (const auto& d : f.discs)
            line("file", f.name, f.size, d);
    return csv;
}

} // namespace kavro
