#include "DemoCatalogue.h"
#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "changer/RetrieveLog.h"
#include "changer/TorvexCalls.h"
#include "platform/Text.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

using kavro::test::TempDir;

namespace {

// The cabinets torvex/sim/demo-cabinets.sim simulates: id, model and the slots holding discs.
struct SimCabinet {
    std::string model;
    int slotCount = 0;
    std::set<int> filled;
};

std::map<int, SimCabinet> readDemoCabinets()
{
    const char* source = std::getenv("KAVRO_SOURCE_DIR");
    std::istringstream in(
        TempDir::read(std::filesystem::path(source ? source : ".") / "torvex/sim/demo-cabinets.sim"));
    std::map<int, SimCabinet> cabinets;
    SimCabinet* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find('#'));
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        auto trim = [](std::string s) {
            s.erase(0, s.find_first_not_of(" \t\r"));
            s.erase(s.find_last_not_of(" \t\r") + 1);
            return s;
        };
        const std::string key = trim(line.substr(0, eq));
        const std::string value = trim(line.substr(eq + 1));
        if (key == "id")
            current = &cabinets[static_cast<int>(std::stoul(value, nullptr, 0))];
        else if (current && key == "model")
            current->model = value;
        else if (current && key == "slots")
            current->slotCount = std::stoi(value);
        else if (current && key == "filled") {
            std::istringstream ranges(value);
            for (std::string range; std::getline(ranges, range, ',');) {
                const auto dash = range.find('-');
                const int low = std::stoi(range);
                const int high = dash == std::string::npos ? low : std::stoi(range.substr(dash + 1));
                for (int s = low; s <= high; ++s)
                    current->filled.insert(s);
            }
        }
    }
    return cabinets;
}

class NoCabinets final : public kavro::TorvexCalls {
public:
    int InitUSBKavro() override { return 1; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return 0; }
    int EnumDevice(int) override { return 0; }
    int USBCDReset(int) override { return 1; }
    int USBCDMoveto(int, int) override { return 1; }
    int USBCDGetCDDown(int) override { return 1; }
    int USBCDLEDON(int) override { return 1; }
    int USBCDLEDOFF(int) override { return 1; }
    int USBCDGetStatus(int) override { return 1; }
    int USBCDGetType(int, char*, int*) override { return 1; }
    int USBCDGetDriveCD(int) override { return 0; }
    int USBCDMovetoDrive(int, int) override { return 1; }
    int USBCDEject(int) override { return 1; }
    int GetDriveCounter(int, int*) override { return 1; }
    int USBCDchanged() override { return 0; }
};

struct DiscRow {
    int machine = 0;
    int slot = 0;
    int category = 0;
    std::string title;
    std::string deviceType;
    int treeEntries = 0;
    std::string picture;
};

struct DemoFixture : ::testing::Test {
    TempDir dir;
    kavro::test::ScriptedPerson person;
    kavro::test::VirtualClock clock;
    kavro::DefaultTexts texts;

    kavro::DemoSummary make() { return kavro::MakeDemoCatalogue(dir.path(), texts, clock); }

    std::vector<DiscRow> discRows(kavro::Catalogue& catalogue)
    {
        std::vector<DiscRow> rows;
        kavro::DiscCursor& cursor = catalogue.discCursor();
        for (cursor.first(); !cursor.eof(); cursor.next()) {
            DiscRow row;
            row.machine = cursor.integer("MachineNo");
            row.slot = cursor.integer("Slot");
            row.category = cursor.integer("Category");
            row.title = kavro::text::trimBlanks(cursor.text("TitleA"));
            row.deviceType = kavro::text::trimBlanks(cursor.text("Devicetype"));
            row.treeEntries = cursor.integer("TreeIndexS");
            const kavro::DbValue pic = cursor.field("Pic");
            if (!pic.isNull())
                row.picture = pic.asText();
            rows.push_back(row);
        }
        return rows;
    }
};

} // namespace

TEST_F(DemoFixture, MakesACatalogueThatOpensWithWhatItReports)
{
    const kavro::DemoSummary made = make();
    ASSERT_EQ(made.error, "");
    ASSERT_TRUE(made.created);
    EXPECT_FALSE(std::filesystem::exists(dir / "DemoCatalogue.tmp")) << "the scratch folder is gone";

    kavro::Catalogue catalogue(dir.path(), person, texts, clock);
    ASSERT_TRUE(catalogue.open().ok());

    // Categories: read from the mirror file on this first load, so their nesting shows.
    auto loaded = kavro::LoadCategories(catalogue);
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value(), made.categories);
    EXPECT_GE(made.categories, 6);
    std::map<std::string, const kavro::TreeNode*> byName;
    catalogue.categoryTree().forEach([&](kavro::TreeNode& n) {
        if (n.isCategory())
            byName[n.text] = &n;
    });
    ASSERT_TRUE(byName.count("Jazz") && byName.count("Music"));
    EXPECT_EQ(byName["Jazz"]->parent(), byName["Music"]);
    EXPECT_EQ(byName["Music"]->level(), 1);

    // Machines: both demo cabinets, as the simulator has them.
    NoCabinets none;
    kavro::ChangerContext changer(catalogue, none, person, clock, texts);
    auto registry = kavro::LoadRegistry(changer);
    ASSERT_TRUE(registry.ok());
    EXPECT_EQ(registry.value(), made.machines);
    const auto cabinets = readDemoCabinets();
    ASSERT_EQ(cabinets.size(), 2u);
    ASSERT_EQ(changer.machines.count(), 2);
    for (const auto& [id, cabinet] : cabinets) {
        ASSERT_NE(changer.machines.find(id), nullptr) << id;
        EXPECT_EQ(changer.machines.MachineModel(id), cabinet.model);
    }

    // Discs: every one in a filled slot of its cabinet, in a loaded category, with a tree.
    const std::vector<DiscRow> rows = discRows(catalogue);
    EXPECT_EQ(static_cast<int>(rows.size()), made.discs);
    EXPECT_GE(made.discs, 24);
    std::map<int, int> perMachine;
    std::set<std::pair<int, int>> places;
    int withTree = 0;
    int pictures = 0;
    for (const DiscRow& row : rows) {
        ++perMachine[row.machine];
        EXPECT_TRUE(places.insert({row.machine, row.slot}).second) << "one disc per slot";
        ASSERT_TRUE(cabinets.count(row.machine)) << row.title;
        EXPECT_TRUE(cabinets.at(row.machine).filled.count(row.slot)) << row.title << " in slot " << row.slot;
        EXPECT_EQ(row.deviceType, cabinets.at(row.machine).model);
        EXPECT_GE(catalogue.categories().indexOfId(row.category), 0) << row.title;
        withTree += row.treeEntries > 1 ? 1 : 0;
        if (!row.picture.empty()) {
            ++pictures;
            const QImage cover = QImage::fromData(QByteArray::fromStdString(row.picture), "BMP");
            EXPECT_EQ(cover.size(), QSize(180, 150)) << row.title;
        }
    }
    EXPECT_EQ(perMachine.size(), 2u);
    EXPECT_EQ(withTree, made.discsWithTree);
    EXPECT_EQ(withTree, made.discs);
    EXPECT_EQ(pictures, made.pictures);
    EXPECT_GE(pictures, 3);

    // A stored tree reads back with the generated names and sizes.
    const auto film = std::find_if(rows.begin(), rows.end(),
                                   [](const DiscRow& r) { return r.title == "The Lighthouse Keeper"; });
    ASSERT_NE(film, rows.end());
    ASSERT_TRUE(kavro::LoadDiscTree(catalogue, film->machine, film->slot));
    const kavro::FileTree& tree = catalogue.fileTree();
    bool vob = false;
    for (int i = 0; i < tree.entryCount(); ++i) {
        if (tree.nameAt(i) == "VTS_01_1.VOB") {
            vob = true;
            EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].size, 1073709056);
        }
    }
    EXPECT_TRUE(vob);
    EXPECT_EQ(catalogue.currentDisc().fileSystem, "UDF");
    EXPECT_FALSE(catalogue.currentDisc().volume.empty());

    // The take-out log names discs of the catalogue; take-outs are logged.
    const auto log = kavro::ReadRetrieveLog(dir / "Data" / "Retrieve.log");
    EXPECT_EQ(static_cast<int>(log.size()), made.takeOuts);
    EXPECT_GE(log.size(), 3u);
    for (const auto& record : log) {
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const DiscRow& r) {
            return r.title == record.title && std::to_string(r.slot) == record.slot &&
                   changer.machines.MachineName(r.machine) == record.machineName;
        })) << record.title;
    }
    kavro::Settings settings(dir / "Data" / "Kavro.ini");
    EXPECT_EQ(kavro::keys::read(settings, kavro::keys::RetrieveLog), 1);
}

TEST_F(DemoFixture, ASecondRunLeavesAChangedCatalogueAlone)
{
    const kavro::DemoSummary first = make();
    ASSERT_TRUE(first.created) << first.error;
    int machine = 0;
    int slot = 0;
    {
        kavro::Catalogue catalogue(dir.path(), person, texts, clock);
        ASSERT_TRUE(catalogue.open().ok());
        const auto rows = discRows(catalogue);
        machine = rows.back().machine;
        slot = rows.back().slot;
        ASSERT_TRUE(kavro::ChangeDiscTitle(catalogue, machine, slot, "Renamed by the person").ok());
        ASSERT_TRUE(kavro::DeleteDisc(catalogue, rows.front().machine, rows.front().slot, true).ok());
    }
    const std::string logBefore = TempDir::read(dir / "Data" / "Retrieve.log");
    const std::string categoriesBefore = TempDir::read(dir / "Data" / "category.txt");

    const kavro::DemoSummary second = make();
    EXPECT_FALSE(second.created);
    EXPECT_EQ(second.error, "");

    kavro::Catalogue catalogue(dir.path(), person, texts, clock);
    ASSERT_TRUE(catalogue.open().ok());
    const auto rows = discRows(catalogue);
    EXPECT_EQ(static_cast<int>(rows.size()), first.discs - 1);
    ASSERT_TRUE(kavro::LocateDisc(catalogue, machine, slot));
    ASSERT_TRUE(kavro::ReadDiscRecord(catalogue));
    EXPECT_EQ(catalogue.currentDisc().title, "Renamed by the person");
    EXPECT_EQ(TempDir::read(dir / "Data" / "Retrieve.log"), logBefore);
    EXPECT_EQ(TempDir::read(dir / "Data" / "category.txt"), categoriesBefore);
}

TEST_F(DemoFixture, SettingsThePersonHasAreKept)
{
    dir.write("Data/Kavro.ini", "[System]\r\nRetrieveLog=0\r\nFontSize=14\r\n");
    dir.write("Data/Retrieve.log", "");
    ASSERT_TRUE(make().created);
    kavro::Settings settings(dir / "Data" / "Kavro.ini");
    EXPECT_EQ(kavro::keys::read(settings, kavro::keys::RetrieveLog), 0);
    EXPECT_EQ(kavro::keys::read(settings, kavro::keys::FontSize), 14);
    EXPECT_EQ(TempDir::read(dir / "Data" / "Retrieve.log"), "");
}
