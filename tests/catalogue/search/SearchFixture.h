#pragma once

#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/records/Categories.h"
#include "catalogue/search/DiscTextCache.h"
#include "content/FileTree.h"

#include <sqlite3.h>

#include <optional>
#include <string>

namespace kavro::test {

// One disc row as a search test writes it, column by column, so that odd and damaged rows can
// be made as easily as good ones.
struct DiscRow {
    int machine = 1;
    int slot = 1;
    std::string title = "Title";
    int category = 1;
    std::string barcode;
    std::string remark;
    std::string misc1;
    std::string deviceType;
    std::optional<std::string> treeIndex; // null when unset
    std::optional<std::string> treeData;
    int treeIndexS = 0;
    int treeDataS = 0;

    DiscRow& at(int m, int s)
    {
        machine = m;
        slot = s;
        return *this;
    }
    DiscRow& named(std::string t)
    {
        title = std::move(t);
        return *this;
    }
    DiscRow& in(int c)
    {
        category = c;
        return *this;
    }
    DiscRow& coded(std::string b)
    {
        barcode = std::move(b);
        return *this;
    }
    DiscRow& remarked(std::string r)
    {
        remark = std::move(r);
        return *this;
    }
    DiscRow& misc(std::string m)
    {
        misc1 = std::move(m);
        return *this;
    }
    DiscRow& model(std::string d)
    {
        deviceType = std::move(d);
        return *this;
    }
};

inline DiscRow withTree(DiscRow row, const FileTree& tree)
{
    row.treeIndex = tree.indexBlock();
    row.treeData = tree.pool;
    row.treeIndexS = tree.entryCount();
    row.treeDataS = tree.poolBytes();
    return row;
}

// A catalogue whose categories come from a mirror file, with discs added as raw rows.
class SearchFixture : public CatalogueFixture {
protected:
    // categoryFile: lines "name,id", a tab per level below the top.
    Catalogue& openWith(const std::string& categoryFile)
    {
        dir.write("Data/category.txt", categoryFile);
        Catalogue& c = open();
        auto loaded = LoadCategories(c);
        EXPECT_TRUE(loaded.ok()) << loaded.error();
        c.setMachineNameLookup([](int m) { return "M" + std::to_string(m); });
        return c;
    }

    void insert(const DiscRow& r)
    {
        auto stmt = catalogue->database().prepare(
            "INSERT INTO KAVRO (MachineNo, Slot, TitleA, Category, Barcode, Remark, Misc1, Devicetype, "
            "TreeIndex, TreeData, TreeIndexS, TreeDataS) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
            "?11, ?12)");
        ASSERT_TRUE(stmt.ok()) << stmt.error();
        sqlite3_stmt* s = *stmt;
        sqlite3_bind_int(s, 1, r.machine);
        sqlite3_bind_int(s, 2, r.slot);
        sqlite3_bind_text(s, 3, r.title.data(), static_cast<int>(r.title.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 4, r.category);
        sqlite3_bind_text(s, 5, r.barcode.data(), static_cast<int>(r.barcode.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 6, r.remark.data(), static_cast<int>(r.remark.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 7, r.misc1.data(), static_cast<int>(r.misc1.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 8, r.deviceType.data(), static_cast<int>(r.deviceType.size()), SQLITE_TRANSIENT);
        if (r.treeIndex)
            sqlite3_bind_blob(s, 9, r.treeIndex->data(), static_cast<int>(r.treeIndex->size()),
                              SQLITE_TRANSIENT);
        if (r.treeData)
            sqlite3_bind_blob(s, 10, r.treeData->data(), static_cast<int>(r.treeData->size()),
                              SQLITE_TRANSIENT);
        sqlite3_bind_int(s, 11, r.treeIndexS);
        sqlite3_bind_int(s, 12, r.treeDataS);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(catalogue->database().handle());
        sqlite3_finalize(s);
    }

    TreeNode* category(const std::string& name)
    {
        TreeNode* found = nullptr;
        catalogue->categoryTree().forEach([&](TreeNode& n) {
            if (!found && n.isCategory() && n.text == name)
                found = &n;
        });
        return found;
    }

    TreeNode& root() { return *catalogue->categoryTree().categoryRoot(); }

    DiscTextCache cache;
};

} // namespace kavro::test
