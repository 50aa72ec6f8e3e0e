#include "views/flows/SetupMachines.h"

#include "views/flows/DetailFixture.h"

#include <sqlite3.h>

#include <vector>

using kavro::test::DetailFixture;
using kavro::test::TempDir;

namespace {

struct SetupMachinesTest : DetailFixture {
    void SetUp() override
    {
        DetailFixture::SetUp();
        ctx->display.addMachineName("Left");
        ctx->display.addMachineName("Right");
        ctx->display.setMachineNameText("Right");
    }

    // DEVICENO and trimmed DEVICENAME of CDDEVICE, read by a second connection.
    std::vector<std::pair<std::string, std::string>> storedDevices()
    {
        std::vector<std::pair<std::string, std::string>> rows;
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open_v2((dir / "KAVRO2.MDB").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT trim(DEVICENO), trim(DEVICENAME) FROM CDDEVICE ORDER BY Serial", -1,
                           &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW)
            rows.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                              reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)));
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }
};

} // namespace

TEST_F(SetupMachinesTest, NamesComeInTableOrder)
{
    EXPECT_EQ(kavro::RegisteredMachineNames(*ctx), (std::vector<std::string>{"Left", "Right"}));
}

TEST_F(SetupMachinesTest, SameNameStoresNothing)
{
    const kavro::MachineRename renamed = kavro::RenameRegisteredMachine(*ctx, 1, "Right");
    EXPECT_EQ(renamed.name, std::optional<std::string>("Right"));
    EXPECT_TRUE(storedDevices().empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "Data/dbid.txt"));
}

TEST_F(SetupMachinesTest, NewNameIsStoredAtOnceInTheTableAndTheList)
{
    const kavro::MachineRename renamed = kavro::RenameRegisteredMachine(*ctx, 1, "  Cabinet B ");
    ASSERT_EQ(renamed.name, std::optional<std::string>("Cabinet B"));
    EXPECT_TRUE(renamed.error.empty()) << renamed.error;
    EXPECT_EQ(ctx->machines.entry(1).name, "Cabinet B");
    EXPECT_EQ(storedDevices(),
              (std::vector<std::pair<std::string, std::string>>{{"101", "Left"}, {"202", "Cabinet B"}}));
    EXPECT_EQ(TempDir::read(dir / "Data/dbid.txt"), "101,Left,KZ350VN\r\n202,Cabinet B,KZ350VN\r\n");

    // The machine-name box lists the new name, and still names the machine it named.
    EXPECT_EQ(ctx->display.machineNames(), (std::vector<std::string>{"Left", "Cabinet B"}));
    EXPECT_EQ(ctx->display.machineNameText(), "Cabinet B");
    EXPECT_EQ(ctx->machines.MachineByName(ctx->display.machineNameText()), 202);

    // A second rename updates the row rather than adding one.
    ASSERT_TRUE(kavro::RenameRegisteredMachine(*ctx, 1, "Cabinet C").name);
    EXPECT_EQ(storedDevices().size(), 2u);
    EXPECT_EQ(storedDevices()[1].second, "Cabinet C");
}

TEST_F(SetupMachinesTest, EmptyOrTakenNamesAreRefused)
{
    EXPECT_FALSE(kavro::RenameRegisteredMachine(*ctx, 1, "").name);
    EXPECT_FALSE(kavro::RenameRegisteredMachine(*ctx, 1, "   ").name);
    EXPECT_FALSE(kavro::RenameRegisteredMachine(*ctx, 1, "Left").name);
    EXPECT_FALSE(kavro::RenameRegisteredMachine(*ctx, 5, "Fifth").name);
    EXPECT_FALSE(kavro::RenameRegisteredMachine(*ctx, -1, "Before").name);
    EXPECT_EQ(ctx->machines.entry(1).name, "Right");
    EXPECT_TRUE(storedDevices().empty());
}

TEST_F(SetupMachinesTest, LongNamesAreCutToSixtyFourCharacters)
{
    std::string typed;
    for (int i = 0; i < 70; ++i)
        typed += "機";
    const auto renamed = kavro::RenameRegisteredMachine(*ctx, 0, typed);
    ASSERT_TRUE(renamed.name);
    EXPECT_EQ(*renamed.name, typed.substr(0, 64 * 3));
    EXPECT_EQ(storedDevices()[0].second, *renamed.name);
}

TEST_F(SetupMachinesTest, DriveCounterOfTheCurrentMachine)
{
    ctx->CurrentMachine = 202;
    torvex.counters[202] = 70000;
    const auto reading = kavro::ReadDriveCounter(*ctx);
    ASSERT_TRUE(reading);
    EXPECT_EQ(torvex.counterAskedFor, 202);
    EXPECT_EQ(reading->machineName, "Right");
    EXPECT_EQ(reading->counter, 70000);

    torvex.counters[202] = 0;
    EXPECT_FALSE(kavro::ReadDriveCounter(*ctx)) << "a counter of 0 is not shown";
    torvex.counters[202] = 5;
    torvex.counterResult = 3;
    EXPECT_FALSE(kavro::ReadDriveCounter(*ctx));
    torvex.counterResult = 0;
    torvex.counterFault = true;
    EXPECT_FALSE(kavro::ReadDriveCounter(*ctx));

    // An unregistered machine is named by its number.
    torvex.counterFault = false;
    ctx->CurrentMachine = 303;
    torvex.counters[303] = 12;
    EXPECT_EQ(kavro::ReadDriveCounter(*ctx)->machineName, "303");
}
