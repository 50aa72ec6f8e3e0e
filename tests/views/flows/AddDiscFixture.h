#pragma once

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"
#include "cddb/DiscTitleLookup.h"
#include "changer/ChangerContext.h"
#include "changer/Timer.h"
#include "changer/TorvexCalls.h"
#include "platform/CdToc.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "views/flows/AddDiscFlow.h"
#include "views/flows/AddDiscFlowDialogs.h"
#include "views/flows/AddDiscFlowServices.h"
#include "views/flows/AddDiscFlowViews.h"
#include "views/flows/TfrmAddModel.h"

#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <array>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kavro::test {

// A window timer that only holds its state.
class AddDiscTimer final : public kavro::Timer {
public:
    void start() override
    {
        ++starts;
        m_active = true;
    }
    void stop() override
    {
        ++stops;
        m_active = false;
    }
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    bool active() const override { return m_active; }

    int starts = 0;
    int stops = 0;

private:
    int m_interval = 0;
    bool m_active = false;
};

// One audio disc's table of contents, or none.
class FixedTocReader final : public kavro::CdTocReader {
public:
    kavro::CdTocResult read(const std::string& device, kavro::Clock&) override
    {
        devices.push_back(device);
        kavro::CdTocResult r;
        r.toc = toc;
        r.error = {1, "no disc"};
        return r;
    }

    std::optional<kavro::CdToc> toc;
    std::vector<std::string> devices;
};

// The main window's side, as calls to check; the selected node is set by the test.
class RecordingViews final : public kavro::AddDiscFlowViews {
public:
    kavro::TreeNode* selectedNode() override { return selected; }
    void showDiscFields(const kavro::DiscRecord& disc) override { shownRemarks.push_back(disc.remark); }
    void discAppended(const kavro::DiscRecord& disc) override { calls.push_back("appended " + disc.title); }
    void discOverwritten(const kavro::DiscRecord& disc) override
    {
        calls.push_back("overwritten " + disc.title);
    }
    void selectWrittenDisc(int machine, int slot) override
    {
        calls.push_back("select " + std::to_string(machine) + "/" + std::to_string(slot));
    }
    void setStatusText(int panel, const std::string& text) override
    {
        status[static_cast<std::size_t>(panel)] = text;
    }
    void discEdited(const kavro::DiscRecord& disc, bool categoryChanged) override
    {
        calls.push_back("edited " + disc.title + (categoryChanged ? " moved" : ""));
    }
    void newCategory() override { calls.push_back("new category"); }

    kavro::TreeNode* selected = nullptr;
    std::vector<std::string> calls;
    std::vector<std::string> shownRemarks;
    std::array<std::string, 3> status{};
};

// The dialogs as scripts: the disc dialog runs `disc` on the model (then closes as the person
// left it), the chooser answers `addType`.
class ScriptedDialogs final : public kavro::AddDiscFlowDialogs {
public:
    void showDiscDialog(kavro::TfrmAddModel& model) override
    {
        ++discDialogs;
        if (disc)
            disc(model);
    }
    int showAddTypeDialog() override
    {
        ++addTypeDialogs;
        return addType;
    }

    std::function<void(kavro::TfrmAddModel&)> disc;
    int addType = 0;
    int discDialogs = 0;
    int addTypeDialogs = 0;
};

// A program folder with a catalogue and three categories (Music with Jazz below it, Films),
// simulated cabinets on the virtual clock, a changer context with a running device monitor, and
// the services of the add flows.
class AddDiscFixture : public ::testing::Test {
protected:
    static constexpr int kDrive = 0x0A0B0C; // a KZ350VN with a drive, 100 slots
    static constexpr int kPlain = 0x123456; // a 150-slot machine without a drive
    static constexpr const char* kPlainModel = "1234567X";

    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "Data");
        dir.write("Data/category.txt", "Music,1\r\n\tJazz,2\r\nFilms,3\r\n");
        sim.setTimeSource([this] { return clock.nowMs(); });
        CloseUSBKavro();
        sim.install();
        catalogue = std::make_unique<Catalogue>(dir.path(), person, texts, clock);
        const DbStatus s = catalogue->open();
        ASSERT_TRUE(s.ok()) << s.error();
        ASSERT_EQ(LoadCategories(*catalogue).valueOr(-1), 3);
        ctx = std::make_unique<ChangerContext>(*catalogue, torvex, person, clock, texts);
        ctx->useTimers(monitor, driveCheck);
        ctx->wallClock = [] {
            std::tm t{};
            t.tm_year = 2024 - 1900;
            t.tm_mon = 2;
            t.tm_mday = 5;
            t.tm_hour = 12;
            t.tm_min = 34;
            t.tm_sec = 56;
            t.tm_isdst = -1;
            return std::chrono::system_clock::from_time_t(std::mktime(&t));
        };
        settings = std::make_unique<Settings>(dir / "Kavro.ini");
        monitor.start();
        services = std::make_unique<AddDiscFlowServices>(makeServices(cddb));
        flow = std::make_unique<AddDiscFlow>(*services, views, dialogs);
    }

    AddDiscFlowServices makeServices(DiscTitleLookup& lookup)
    {
        return AddDiscFlowServices{
            *catalogue, *ctx, *settings, texts, person, clock, lookup, driveName, dir.path().string() + "/",
            // Only the drives the settings map: the computer's own drives stay out of the tests.
            [this] {
                return Drives::build({}, [this](char letter) {
                    return settings->readString("Drives", std::string(1, letter), "", 4095);
                });
            },
            [this] { ++beeps; }};
    }

    void TearDown() override
    {
        flow.reset();
        services.reset();
        ctx.reset();
        catalogue.reset();
        CloseUSBKavro();
        torvex::setTransport(nullptr);
    }

    // A cabinet on the bus, registered under a name; discs in slots 1 to 10.
    int addMachine(int id, const std::string& name, const std::string& model, int busyMs = 0)
    {
        // As slow as a real cabinet, or every movement taking busyMs when one is given.
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = id;
        spec.model = model;
        spec.slots = model == "KZ350VN" ? 100 : 150;
        spec.filled = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        if (busyMs > 0) {
            spec.busyMsByCode.clear();
            spec.busyMs = busyMs;
        }
        const int cabinet = sim.addCabinet(spec);
        MachineEntry e;
        e.DeviceId = id;
        e.name = name;
        e.model = model;
        EXPECT_TRUE(ctx->machines.add(e));
        return cabinet;
    }

    void openLibrary()
    {
        ASSERT_EQ(InitUSBKavro(), 0);
        sim.clearLog();
    }

    // A row written directly, as an earlier run of the program left it.
    void putRow(int machine, int slot, const std::string& title, int category = 1,
                const std::string& created = "2001-02-03 04:05:06")
    {
        exec("INSERT INTO KAVRO (MachineNo, Slot, TitleA, Category, Categoryname, CreateDate, Misc1) VALUES "
             "(" +
             std::to_string(machine) + "," + std::to_string(slot) + ",'" + title + "'," +
             std::to_string(category) + ",'Music','" + created +
             "','Other=\r\nVolume=OLDVOL\r\nSerial=42\r\nFileSystem=CDFS')");
    }

    void exec(const std::string& sql)
    {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(catalogue->database().handle(), sql.c_str(), nullptr, nullptr, &error),
                  SQLITE_OK)
            << (error ? error : "");
        sqlite3_free(error);
    }

    std::vector<std::vector<std::string>> rows(const std::string& sql)
    {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(catalogue->database().handle(), sql.c_str(), -1, &stmt, nullptr),
                  SQLITE_OK);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, c));
                row.emplace_back(p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)))
                                   : std::string("<null>"));
            }
            out.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        return out;
    }

    int rowCount(const std::string& where = "1")
    {
        return std::stoi(rows("SELECT COUNT(*) FROM KAVRO WHERE " + where).at(0).at(0));
    }

    // Index of a category in CategoryList by name.
    int category(const std::string& name) const
    {
        const CategoryList& list = catalogue->categories();
        for (int i = 0; i < list.count(); ++i)
            if (list[i].node != nullptr && list[i].node->text == name)
                return i;
        return -1;
    }

    // The position of a machine in the dialog's machine box.
    int position(const std::string& name) const
    {
        for (int i = 0; i < ctx->machines.count(); ++i)
            if (ctx->machines.entry(i).name == name)
                return i;
        return -1;
    }

    // Maps a drive letter to a folder that acts as a CD-ROM drive.
    void mapFolderDrive(char letter, const std::filesystem::path& folder)
    {
        ASSERT_TRUE(settings->writeString("Drives", std::string(1, letter), folder.string() + ";cdrom"));
    }

    // Whether the machine got a move to this slot (request 12 followed by the slot number).
    bool movedTo(int machine, int slot) const
    {
        const std::vector<int> sent = sim.indicesSent(machine);
        for (std::size_t i = 0; i + 1 < sent.size(); ++i)
            if (sent[i] == 12 && sent[i + 1] == slot)
                return true;
        return false;
    }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
    torvex::sim::Simulator sim;
    LinkedTorvex torvex;
    AddDiscTimer monitor;
    AddDiscTimer driveCheck;
    FixedTocReader tocReader;
    DiscTitleLookup cddb{tocReader};
    std::string driveName;
    int beeps = 0;
    std::unique_ptr<Catalogue> catalogue;
    std::unique_ptr<ChangerContext> ctx;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<AddDiscFlowServices> services;
    RecordingViews views;
    ScriptedDialogs dialogs;
    std::unique_ptr<AddDiscFlow> flow;
};

} // namespace kavro::test
