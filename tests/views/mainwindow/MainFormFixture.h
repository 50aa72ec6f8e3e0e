#pragma once

// Before any Qt header: the simulator's cabinets have a member named like Qt's "slots" keyword.
#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include "views/mainwindow/SimCabinets.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/records/DiscRecords.h"
#include "changer/TakeOutDialog.h"
#include "content/FileTree.h"
#include "shell/AppContext.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "views/mainwindow/DiscBrowser.h"
#include "views/mainwindow/ListView.h"
#include "views/mainwindow/MainFormWidgets.h"
#include "views/mainwindow/NavigationTree.h"
#include "views/mainwindow/TMainForm.h"

#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace kavro::test {

// A take-out dialog answering from a script; without one it is closed (result 0).
class ScriptedTakeOutDialog final : public kavro::TakeOutDialog {
public:
    ScriptedTakeOutDialog(std::deque<kavro::TakeOutAnswer>& answers,
                          std::vector<std::pair<std::string, int>>& asked, std::vector<std::string>& titles)
        : m_answers(answers), m_asked(asked), m_titles(titles)
    {
    }
    kavro::TakeOutAnswer ask(const std::string& machineName, int slot, const std::string& title) override
    {
        m_asked.push_back({machineName, slot});
        m_titles.push_back(title);
        if (m_answers.empty())
            return {};
        auto a = m_answers.front();
        m_answers.pop_front();
        return a;
    }

private:
    std::deque<kavro::TakeOutAnswer>& m_answers;
    std::vector<std::pair<std::string, int>>& m_asked;
    std::vector<std::string>& m_titles;
};

// A program folder with a catalogue made before the main window opens, simulated cabinets on the
// virtual clock, and the main window over both. Categories come from Data/category.txt (nesting
// kept, since the table starts empty); machines from CDDEVICE rows, so no name is asked.
class MainFormFixture : public ::testing::Test {
protected:
    static constexpr int kDrive = 0x0A0B0C; // KZ350VN, a drive, 100 slots
    static constexpr int kPlain = 0x0D0E0F; // no drive, 150 slots

    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "Data");
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<kavro::Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<kavro::ProgramLog>(dir / "Data/kavro.log");
        context.registry = std::make_unique<kavro::RegistryStore>(dir / "registry");
        context.person = &person;
        context.clock = &clock;
        context.windowTitle = "KAVRO 5.1";
        sim.setTimeSource([this] { return clock.nowMs(); });
        CloseUSBKavro();
        sim.install();
    }

    void TearDown() override
    {
        form.reset();
        seed.reset();
        CloseUSBKavro();
        torvex::setTransport(nullptr);
    }

    int addCabinet(int id, const std::string& model, std::vector<int> filled = {1, 2, 3, 4, 5, 6, 7, 8})
    {
        return addSimCabinet(sim, id, model, model == "KZ350VN" ? 100 : 150, filled);
    }

    // The catalogue as it is before the window opens.
    kavro::Catalogue& seedCatalogue()
    {
        if (!seed) {
            seed = std::make_unique<kavro::Catalogue>(dir.path(), person, texts, clock);
            const kavro::DbStatus s = seed->open();
            EXPECT_TRUE(s.ok()) << s.error();
        }
        return *seed;
    }

    void writeCategories(const std::string& lines) { dir.write("Data/category.txt", lines); }

    void registerMachine(int id, const std::string& name, const std::string& model)
    {
        sql("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) VALUES('" + std::to_string(id) +
            "','" + name + "','" + model + "',0)");
    }

    void addDisc(int machine, int slot, const std::string& title, int category,
                 const std::string& deviceType = {}, const kavro::FileTree& tree = {})
    {
        kavro::Catalogue& c = seedCatalogue();
        kavro::DiscRecord& d = c.currentDisc();
        d = kavro::DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = title;
        d.categoryId = category;
        d.deviceType = deviceType;
        c.fileTree() = tree;
        ASSERT_TRUE(c.discCursor().append().ok());
        const kavro::DbStatus w = kavro::WriteDiscRecord(c);
        ASSERT_TRUE(w.ok()) << w.error();
        const kavro::DbStatus p = c.discCursor().post();
        ASSERT_TRUE(p.ok()) << p.error();
    }

    void sql(const std::string& statement)
    {
        char* error = nullptr;
        ASSERT_EQ(
            sqlite3_exec(seedCatalogue().database().handle(), statement.c_str(), nullptr, nullptr, &error),
            SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }

    // The rows of a query on the catalogue file, as another program sees them.
    std::vector<std::vector<std::string>> rows(const std::string& query)
    {
        sqlite3* db = nullptr;
        std::vector<std::vector<std::string>> out;
        EXPECT_EQ(sqlite3_open_v2((dir / "KAVRO2.MDB").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, query.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.emplace_back(p ? p : "<null>");
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return out;
    }

    // Opens the main window on what was seeded (the seed's connection is closed first).
    kavro::TMainForm& openForm()
    {
        seed.reset();
        kavro::TMainForm::Services services;
        services.dialogs.takeOut = [this] {
            return std::make_unique<ScriptedTakeOutDialog>(takeOutAnswers, takeOutAsked, takeOutTitles);
        };
        form = std::make_unique<kavro::TMainForm>(context, std::move(services));
        EXPECT_TRUE(form->isReady());
        sim.clearLog();
        return *form;
    }

    // Shows the window and lets it lay itself out, so that positions of rows are real.
    void showForm()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    const kavro::MainFormWidgets& w() const { return form->widgets(); }
    kavro::DiscBrowser& browser() { return form->browser(); }

    // A node of the category tree by its path of texts below the top nodes ("資料/A/B").
    kavro::TreeNode* node(const std::string& path)
    {
        std::vector<std::string> parts;
        std::size_t start = 0;
        for (std::size_t slash; (slash = path.find('/', start)) != std::string::npos; start = slash + 1)
            parts.push_back(path.substr(start, slash - start));
        parts.push_back(path.substr(start));
        kavro::TreeNode* current = nullptr;
        for (const auto& top : form->catalogue().categoryTree().topNodes()) {
            if (top->text == parts[0])
                current = top.get();
        }
        for (std::size_t i = 1; current && i < parts.size(); ++i) {
            kavro::TreeNode* next = nullptr;
            for (const auto& child : current->children()) {
                if (child->text == parts[i])
                    next = child.get();
            }
            current = next;
        }
        return current;
    }

    // The captions of a list's rows, in order.
    static std::vector<std::string> captions(const kavro::ListView* list)
    {
        std::vector<std::string> out;
        for (int i = 0; i < list->rowCount(); ++i)
            out.push_back(list->rowAt(i)->row().text(0));
        return out;
    }

    static bool listsDisc(const kavro::ListView* list, int machine, int slot)
    {
        for (int i = 0; i < list->rowCount(); ++i) {
            const auto& row = list->rowAt(i)->row();
            if (row.isDisc() && row.machine == machine && row.slot == slot)
                return true;
        }
        return false;
    }

    std::string status(int panel) const { return form->statusPanel(panel)->text().toStdString(); }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    kavro::DefaultTexts texts;
    kavro::AppContext context;
    torvex::sim::Simulator sim;
    std::deque<kavro::TakeOutAnswer> takeOutAnswers;
    std::vector<std::pair<std::string, int>> takeOutAsked;
    std::vector<std::string> takeOutTitles; // the disc title each take-out dialog showed
    std::unique_ptr<kavro::Catalogue> seed;
    std::unique_ptr<kavro::TMainForm> form;
};

} // namespace kavro::test
