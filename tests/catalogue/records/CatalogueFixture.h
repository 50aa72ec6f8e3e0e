#pragma once

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "platform/Text.h"
#include "platform/Texts.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

namespace kavro::test {

// A program folder with a Data folder, and a catalogue on it that each test opens.
class CatalogueFixture : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir.path() / "Data"); }

    Catalogue& open()
    {
        catalogue = std::make_unique<Catalogue>(dir.path(), person, texts, clock);
        const DbStatus s = catalogue->open();
        EXPECT_TRUE(s.ok()) << s.error();
        return *catalogue;
    }

    void reopen()
    {
        catalogue.reset();
        open();
    }

    // Appends a disc row through the record writer.
    void addDisc(int machine, int slot, const std::string& title = "Title", int category = 1)
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = title;
        d.categoryId = category;
        d.categoryName = "Cat";
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        const DbStatus w = WriteDiscRecord(*catalogue);
        ASSERT_TRUE(w.ok()) << w.error();
        const DbStatus p = catalogue->discCursor().post();
        ASSERT_TRUE(p.ok()) << p.error();
    }

    // The categories under a node, nested as "A(B,C)"; without a node, under CategoryRoot.
    static std::string shape(const TreeNode& node)
    {
        std::string s;
        for (const auto& c : node.children()) {
            if (!s.empty())
                s += ",";
            s += c->text;
            if (c->childCount())
                s += "(" + shape(*c) + ")";
        }
        return s;
    }
    std::string shape() { return shape(*catalogue->categoryTree().categoryRoot()); }

    TreeNode* category(const std::string& name)
    {
        TreeNode* found = nullptr;
        catalogue->categoryTree().forEach([&](TreeNode& n) {
            if (n.isCategory() && n.text == name)
                found = &n;
        });
        return found;
    }

    // Runs SQL on a separate connection to the file, as another program would see it.
    std::vector<std::vector<std::string>> outside(const std::string& sql)
    {
        sqlite3* db = nullptr;
        std::vector<std::vector<std::string>> rows;
        EXPECT_EQ(sqlite3_open_v2((dir.path() / "KAVRO2.MDB").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_blob(stmt, c));
                row.emplace_back(p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)))
                                   : std::string("<null>"));
            }
            rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
    std::unique_ptr<Catalogue> catalogue;
};

} // namespace kavro::test
