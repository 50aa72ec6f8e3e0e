#pragma once

#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/records/Categories.h"
#include "catalogue/import/ImportRegistry.h"

extern "C" {
#include <paradox.h>
}

#include <cstring>
#include <map>
#include <optional>
#include <tuple>

namespace kavro::test {

// A machine table standing in for the registry.
class FakeRegistry final : public ImportRegistry {
public:
    struct Entry {
        int id;
        std::string name;
        int oldNumber;
    };
    int machineCount() const override { return static_cast<int>(entries.size()); }
    bool hasMachine(int id) const override
    {
        for (const auto& e : entries) {
            if (e.id == id)
                return true;
        }
        return false;
    }
    bool addMachine(int id, const std::string& name, int oldNumber) override
    {
        if (static_cast<int>(entries.size()) >= capacity)
            return false;
        entries.push_back({id, name, oldNumber});
        return true;
    }
    bool save() override
    {
        ++saves;
        return saveSucceeds;
    }

    std::vector<Entry> entries;
    int capacity = 32;
    int saves = 0;
    bool saveSucceeds = true;
};

// One row of a test Paradox table; texts are the bytes stored.
struct ParadoxDisc {
    std::string cdId;
    std::string name;
    std::string machine; // machine_id, the old machine number as text
    std::string slot;
    std::string type; // cd_type
    std::string barcode;
};

// Writes a Paradox table the way the older program laid its catalogue out: the table in
// <root>/DB/<name>, dbid.txt, Remark/, CdInfo/ and Preview/ in <root>.
inline std::filesystem::path writeParadoxTable(const std::filesystem::path& file,
                                               const std::vector<ParadoxDisc>& rows, int codePage = 950)
{
    std::filesystem::create_directories(file.parent_path());
    PX_boot();
    pxdoc_t* doc = PX_new();
    struct Spec {
        const char* name;
        char type;
        int length;
    };
    const Spec specs[] = {{"cd_id", pxfAlpha, 20},      {"name", pxfAlpha, 80},
                          {"machine_id", pxfAlpha, 10}, {"slot_id", pxfAlpha, 10},
                          {"cd_type", pxfAlpha, 40},    {"volumn", pxfAlpha, 20},
                          {"barcode", pxfAlpha, 32},    {"cdinfoindex", pxfNumber, 8}};
    const int count = static_cast<int>(std::size(specs));
    auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * count, "fields"));
    for (int i = 0; i < count; ++i) {
        fields[i].px_fname = PX_strdup(doc, specs[i].name);
        fields[i].px_ftype = specs[i].type;
        fields[i].px_flen = specs[i].length;
        fields[i].px_fdc = 0;
    }
    EXPECT_GE(PX_create_file(doc, fields, count, file.c_str(), pxfFileTypNonIndexDB), 0);
    doc->px_head->px_doscodepage = codePage;
    std::vector<char> record(static_cast<std::size_t>(PX_get_recordsize(doc)));
    int index = 0;
    for (const ParadoxDisc& r : rows) {
        std::fill(record.begin(), record.end(), '\0');
        const std::string texts[] = {r.cdId, r.name, r.machine, r.slot, r.type, "VOL", r.barcode};
        char* at = record.data();
        for (int i = 0; i < 7; ++i) {
            std::memcpy(at, texts[i].data(), std::min<std::size_t>(texts[i].size(), specs[i].length));
            at += specs[i].length;
        }
        PX_put_data_double(doc, at, 8, 1.0 + index++);
        EXPECT_GE(PX_put_record(doc, record.data()), 0);
    }
    PX_close(doc);
    PX_delete(doc);
    return file;
}

// A program folder with an open catalogue whose categories are loaded.
class ImportFixture : public CatalogueFixture {
protected:
    Catalogue& openWithCategories()
    {
        open();
        auto loaded = LoadCategories(*catalogue);
        EXPECT_TRUE(loaded.ok()) << loaded.error();
        return *catalogue;
    }

    void insertCategory(Catalogue& c, const std::string& name, int id)
    {
        Query& q = c.changeQuery();
        q.close();
        q.setSql("INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)");
        q.setParam("CATEGORYNAME", DbValue(name));
        q.setParam("CATEGORYID", DbValue(id));
        ASSERT_TRUE(q.execute().ok());
    }

    void insertMachine(Catalogue& c, const std::string& deviceNo, const std::string& name)
    {
        Query& q = c.changeQuery();
        q.close();
        q.setSql("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) "
                 "VALUES(:DEVICENO,:DEVICENAME,:DEVICETYPE,:DEVICEACT)");
        q.setParam("DEVICENO", DbValue(deviceNo));
        q.setParam("DEVICENAME", DbValue(name));
        q.setParam("DEVICETYPE", DbValue("KZ350VN"));
        q.setParam("DEVICEACT", DbValue(0));
        ASSERT_TRUE(q.execute().ok());
    }

    // Appends a disc row with the given columns to an open catalogue.
    struct Disc {
        Disc(int m, int s, std::string t = {}, std::string name = {}, int id = 0, std::string misc = {},
             std::string pic = {})
            : machine(m), slot(s), title(std::move(t)), categoryName(std::move(name)), category(id),
              misc1(std::move(misc)), picture(std::move(pic))
        {
        }
        int machine;
        int slot;
        std::string title;
        std::string categoryName;
        int category;
        std::string misc1;
        std::string picture;
    };
    void appendDisc(Catalogue& c, const Disc& d)
    {
        DiscCursor& cursor = c.discCursor();
        ASSERT_TRUE(cursor.append().ok());
        cursor.setField("MachineNo", DbValue(d.machine));
        cursor.setField("Slot", DbValue(d.slot));
        cursor.setField("TitleA", DbValue(d.title));
        cursor.setField("Categoryname", DbValue(d.categoryName));
        cursor.setField("Category", DbValue(d.category));
        if (!d.misc1.empty())
            cursor.setField("Misc1", DbValue(d.misc1));
        if (!d.picture.empty())
            cursor.setField("Pic", DbValue::blob(d.picture));
        const DbStatus s = cursor.post();
        ASSERT_TRUE(s.ok()) << s.error();
    }

    // A catalogue file of this program's format in folder, made by its own Catalogue.
    std::filesystem::path
    makeCatalogueFile(const std::filesystem::path& folder, const std::vector<Disc>& discs,
                      const std::vector<std::pair<std::string, int>>& categories = {},
                      const std::vector<std::pair<std::string, std::string>>& machines = {})
    {
        std::filesystem::create_directories(folder);
        ScriptedPerson quiet;
        Catalogue other(folder, quiet, texts, clock);
        EXPECT_TRUE(other.open().ok());
        for (const auto& d : discs)
            appendDisc(other, d);
        for (const auto& [name, id] : categories)
            insertCategory(other, name, id);
        for (const auto& [no, name] : machines)
            insertMachine(other, no, name);
        other.close();
        return folder / "KAVRO2.MDB";
    }

    // (machine, slot, title) of every disc row, in table order.
    std::vector<std::tuple<int, int, std::string>> discs()
    {
        std::vector<std::tuple<int, int, std::string>> out;
        for (const auto& r : outside("SELECT MachineNo, Slot, TitleA FROM KAVRO ORDER BY rowid"))
            out.emplace_back(std::stoi(r[0]), std::stoi(r[1]), text::trimSpaces(r[2]));
        return out;
    }

    // One column of the row of machine and slot, as the file holds it ("<null>" for null).
    std::string column(int machine, int slot, const std::string& name)
    {
        const auto rows =
            outside("SELECT " + name + " FROM KAVRO WHERE MachineNo=" + std::to_string(machine) +
                    " AND Slot=" + std::to_string(slot));
        return rows.empty() ? std::string("<no row>") : rows[0][0];
    }

    // Everything the file holds, table by table, for comparing before and after.
    std::string contents()
    {
        std::string all;
        for (const char* table : {"KAVRO", "CDDEVICE", "CATEGORY"}) {
            all += std::string("[") + table + "]\n";
            for (const auto& row : outside(std::string("SELECT * FROM ") + table + " ORDER BY rowid")) {
                for (const auto& v : row)
                    all += v + "|";
                all += "\n";
            }
        }
        return all;
    }

    std::vector<std::filesystem::path> backupFolderFiles()
    {
        std::vector<std::filesystem::path> files;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir / "Backup", ec))
            files.push_back(e.path());
        return files;
    }

    int categoryIdNamed(const std::string& name)
    {
        int id = -1;
        catalogue->categoryTree().forEach([&](TreeNode& n) {
            if (n.isCategory() && n.text == name)
                id = n.id;
        });
        return id;
    }

    int categoryCount()
    {
        int n = 0;
        catalogue->categoryTree().forEach([&](TreeNode& node) { n += node.isCategory() ? 1 : 0; });
        return n;
    }

    FakeRegistry registry;
};

} // namespace kavro::test
