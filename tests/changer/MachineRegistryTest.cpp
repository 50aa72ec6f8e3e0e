#include "ChangerFixture.h"

#include "changer/MachineRegistry.h"

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;
using RegistryTest = ChangerFixture;

TEST_F(RegistryTest, ANewMachineWithAnEmptyNameIsRegisteredAsKavroAndItsId)
{
    addCabinet(kDrive);
    person.inputAnswers = {std::string()};
    ASSERT_TRUE(RescanMachines(*ctx).ok());

    ASSERT_EQ(person.inputs.size(), 1u);
    EXPECT_EQ(person.inputs[0].caption, "KAVRO 5.1 MachineNo");
    EXPECT_EQ(person.inputs[0].prompt, "MachineNo is 658188\r\nPlease Input Machine Name:");
    EXPECT_EQ(person.inputs[0].initial, "");
    ASSERT_EQ(ctx->machines.count(), 1);
    EXPECT_EQ(ctx->machines.MachineName(kDrive), "KAVRO658188");
    EXPECT_EQ(ctx->machines.MachineModel(kDrive), "KZ350VN");
    EXPECT_EQ(ctx->machines.entry(0).active, 1);
    EXPECT_EQ(rows("SELECT trim(DEVICENO), trim(DEVICENAME), trim(DEVICETYPE), DEVICEACT FROM CDDEVICE"),
              (std::vector<std::vector<std::string>>{{"658188", "KAVRO658188", "KZ350VN", "1"}}));
    EXPECT_EQ(ctx->KnownMachineCount, 1);
    EXPECT_EQ(ctx->DriveMachineCount, 1);
    EXPECT_EQ(ctx->display.machineNames(), std::vector<std::string>{"KAVRO658188"});
    EXPECT_EQ(ctx->display.machineNameText(), "KAVRO658188");
    EXPECT_TRUE(ctx->display.machineBarShown());
}

TEST_F(RegistryTest, AMachineWhoseIdCannotBeReadIsNeverRegistered)
{
    const int key = addCabinet(kDrive);
    // Asked again after a wait, three times in all.
    for (int i = 0; i < 3; ++i)
        sim.script(key, 10, Reply::failure());
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(EnumDevice(0), -1);
    EXPECT_TRUE(person.inputs.empty());
    EXPECT_EQ(ctx->machines.count(), 0);
    EXPECT_TRUE(rows("SELECT * FROM CDDEVICE").empty());
    EXPECT_TRUE(ctx->display.machineNames().empty());
}

TEST_F(RegistryTest, IdAnswersThatAreNoIdsAreAskedAgainAndNeverRegistered)
{
    // A cabinet still moving answers its id request with a reply word, read as 0x425553 ("BUS");
    // asked again after a wait, it gives its id.
    const int key = addCabinet(kDrive);
    sim.script(key, 10, Reply::text("BUSY"));
    person.inputAnswers = {std::string("Drive")};
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(rows("SELECT trim(DEVICENO) FROM CDDEVICE"), (std::vector<std::vector<std::string>>{{"658188"}}));
    EXPECT_EQ(person.inputs.size(), 1u);
    EXPECT_EQ(clock.sleeps, std::vector<int>{1000});

    // Table of what is read as an id: only a machine id is one.
    for (const auto& [id, machine] : std::vector<std::pair<int, bool>>{
             {0x425553, false}, {0x41434B, false}, {0x2B4143, false}, {0x455252, false}, {-1, false},
             {0, false}, {0x1000000, false}, {1, true}, {658188, true}})
        EXPECT_EQ(IsMachineId(id), machine) << id;
}

TEST_F(RegistryTest, TwoDriveMachinesAreCountedWithEachNameOnce)
{
    addCabinet(kDrive);
    addCabinet(0x0A0B0D);
    person.inputAnswers = {std::string("Left"), std::string("Right")};
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(ctx->DriveMachineCount, 2);
    EXPECT_EQ(ctx->display.machineNames(), (std::vector<std::string>{"Left", "Right"}));

    // A later rescan of the same machines keeps the box: no prompt, no second copy of a name.
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(person.inputs.size(), 2u);
    EXPECT_EQ(ctx->DriveMachineCount, 2);
    EXPECT_EQ(ctx->machines.count(), 2);
    EXPECT_EQ(ctx->display.machineNames(), (std::vector<std::string>{"Left", "Right"}));
}

TEST_F(RegistryTest, ANameAlreadyTakenIsAskedAgain)
{
    registerMachine(1001, "Alpha");
    addCabinet(kDrive);
    person.inputAnswers = {std::string("Alpha"), std::string("  Beta  ")};
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(person.inputs.size(), 2u);
    EXPECT_EQ(ctx->machines.MachineName(kDrive), "Beta");

    // Blanks alone count as no answer; a trimmed duplicate is asked again too.
    EXPECT_EQ(ctx->machines.count(), 2);
    addCabinet(0x0A0B0D);
    person.inputAnswers = {std::string(" Beta"), std::string("   ")};
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_EQ(person.inputs.size(), 4u);
    EXPECT_EQ(ctx->machines.MachineName(0x0A0B0D), "KAVRO658189");
}

TEST_F(RegistryTest, AThirtyThirdMachineIsNotRegisteredAndNotAsked)
{
    for (int i = 0; i < 32; ++i)
        registerMachine(2000 + i, "M" + std::to_string(i), "1234567A");
    addCabinet(kDrive);
    ASSERT_TRUE(RescanMachines(*ctx).ok());
    EXPECT_TRUE(person.inputs.empty());
    EXPECT_EQ(ctx->machines.count(), 32);
    EXPECT_TRUE(rows("SELECT * FROM CDDEVICE").empty());
    EXPECT_EQ(RegisterMachine(*ctx, kDrive), 0);
}

TEST_F(RegistryTest, RegisterMachineRefusesIdsAtOrBelowZeroAndKnownIds)
{
    registerMachine(1001, "Alpha");
    EXPECT_EQ(RegisterMachine(*ctx, 0), 0);
    EXPECT_EQ(RegisterMachine(*ctx, -1), 0);
    EXPECT_EQ(RegisterMachine(*ctx, 1001), 0);
    EXPECT_TRUE(person.inputs.empty());
    person.inputAnswers = {std::nullopt};
    EXPECT_EQ(RegisterMachine(*ctx, 1002), 1);
    EXPECT_EQ(ctx->machines.count(), 1); // the caller raises it
    EXPECT_EQ(ctx->machines.pending().name, "KAVRO1002");
}

TEST_F(RegistryTest, TheMachineListFillsAnEmptyTable)
{
    addCabinet(55, "1234567A");
    openLibrary();
    dir.write("Data/dbid.txt", "55,Shelf A,KZ350VN\r\n"
                               "56\r\n"
                               "0,Zero,X\r\n"
                               "abc,Word\r\n"
                               "57,\xA5\xFA\xBA\xD0\xC2\x64\r\n"
                               "55,Again\r\n");
    const auto loaded = LoadRegistry(*ctx);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(*loaded, 3);
    EXPECT_EQ(ctx->machines.MachineName(55), "Shelf A");
    EXPECT_EQ(ctx->machines.MachineModel(55), "");
    EXPECT_EQ(ctx->machines.MachineName(56), "KAVRO_56");
    EXPECT_EQ(ctx->machines.MachineName(57), "光碟櫃");
    EXPECT_EQ(rows("SELECT trim(DEVICENO), trim(DEVICENAME), trim(DEVICETYPE), DEVICEACT FROM CDDEVICE"),
              (std::vector<std::vector<std::string>>{{"55", "Shelf A", "", "<null>"},
                                                     {"57", "光碟櫃", "", "<null>"}}));
    // Machine 55 answered its status request, so its name is in the box.
    EXPECT_EQ(ctx->display.machineNames(), std::vector<std::string>{"Shelf A"});
}

TEST_F(RegistryTest, LoadRegistryReadsTheTableAndChoosesAReadyDriveMachine)
{
    addCabinet(kDrive);
    openLibrary();
    ASSERT_TRUE(catalogue->database()
                    .exec("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) VALUES "
                          "(' 4660 ', 'Gone', '1234567A', 0), ('658188', 'Drive', 'KZ350VN', NULL), "
                          "('x', 'Bad', '', 0), ('77', NULL, '', 5)")
                    .ok());
    dir.write("Data/dbid.txt", "99,Ignored\r\n");
    const auto loaded = LoadRegistry(*ctx);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(*loaded, 3);
    EXPECT_EQ(ctx->machines.MachineAt(0), 4660);
    EXPECT_EQ(ctx->machines.MachineAt(1), kDrive);
    EXPECT_EQ(ctx->machines.MachineAt(2), 77);
    EXPECT_EQ(ctx->machines.MachineAt(3), 0);
    EXPECT_EQ(ctx->machines.entry(0).active, 0);
    EXPECT_EQ(ctx->machines.entry(1).active, 1);
    EXPECT_EQ(ctx->machines.entry(2).active, 5);
    EXPECT_EQ(ctx->machines.MachineName(77), "77");
    EXPECT_EQ(ctx->machines.MachineModel(4660), "1234567A");
    EXPECT_EQ(ctx->display.machineNames(), std::vector<std::string>{"Drive"});
    EXPECT_EQ(ctx->CurrentMachine, kDrive);
    EXPECT_EQ(ctx->CurrentSlot, 1);
    // The bar waits for the rescan to count the drive machines.
    EXPECT_FALSE(ctx->display.machineBarShown());
}

TEST_F(RegistryTest, SaveRegistryUpdatesAddsAndWritesTheInactiveMachinesToTheList)
{
    ASSERT_TRUE(catalogue->database()
                    .exec("INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) VALUES "
                          "('1001', 'Old', '', 0)")
                    .ok());
    registerMachine(1001, "Renamed", "1234567A");
    registerMachine(1002, "Fresh");
    ctx->machines.entry(1).active = 1;
    const auto saved = SaveRegistry(*ctx);
    ASSERT_TRUE(saved.ok()) << saved.error();
    EXPECT_EQ(*saved, 0);
    EXPECT_EQ(rows("SELECT trim(DEVICENO), trim(DEVICENAME), trim(DEVICETYPE), DEVICEACT FROM CDDEVICE "
                   "ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"1001", "Renamed", "1234567A", "0"},
                                                     {"1002", "Fresh", "KZ350VN", "1"}}));
    EXPECT_EQ(TempDir::read(dir / "Data/dbid.txt"), "1001,Renamed,1234567A\r\n");

    // A list that cannot be written: -1, after the table was brought up to date.
    std::filesystem::remove(dir / "Data/dbid.txt");
    std::filesystem::create_directory(dir / "Data/dbid.txt");
    ctx->machines.entry(0).name = "Again";
    const auto failed = SaveRegistry(*ctx);
    ASSERT_TRUE(failed.ok());
    EXPECT_EQ(*failed, -1);
    EXPECT_EQ(rows("SELECT trim(DEVICENAME) FROM CDDEVICE WHERE DEVICENO='1001'")[0][0], "Again");
}

TEST_F(RegistryTest, LongNamesAndModelsAreCutAtCharacterBoundaries)
{
    const std::string longName(70, 'n');
    std::string wide;
    for (int i = 0; i < 70; ++i)
        wide += "櫃";
    EXPECT_EQ(CutMachineName(longName), std::string(64, 'n'));
    EXPECT_EQ(CutMachineName(wide).size(), 64u * 3u);
    EXPECT_EQ(CutMachineModel("KZ350VN-EXTENDED-MODEL"), "KZ350VN-EXTENDE");
    EXPECT_EQ(CutMachineModel("ABCDEFGHIJKLM櫃"), "ABCDEFGHIJKLM");
    EXPECT_EQ(CutMachineModel("K\xE9Z"), "K?Z");
}

// A person whose name prompt starts another rescan, as the window's message handling could.
class ReenteringPerson final : public Person {
public:
    BoxAnswer messageBox(const std::string&, const std::string&, BoxIcon, BoxButtons,
                         std::optional<BoxAnswer>) override
    {
        return BoxAnswer::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        ++prompts;
        if (inner)
            (void)RescanMachines(*inner);
        return std::string("Only");
    }
    std::optional<std::string> chooseFile(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    void progress(int, int, const std::string&) override {}

    ChangerContext* inner = nullptr;
    int prompts = 0;
};

TEST_F(RegistryTest, ARescanStartedDuringTheNamePromptReturnsAtOnce)
{
    addCabinet(kDrive);
    ReenteringPerson asking;
    ChangerContext own(*catalogue, torvex, asking, clock, texts);
    asking.inner = &own;
    ASSERT_TRUE(RescanMachines(own).ok());
    EXPECT_EQ(asking.prompts, 1);
    EXPECT_EQ(own.machines.MachineName(kDrive), "Only");
    EXPECT_EQ(own.machines.count(), 1);
    EXPECT_FALSE(own.rescanRunning);
}

TEST_F(RegistryTest, AFailedRescanEndsAndStartsTheDeviceMonitor)
{
    addCabinet(kDrive);
    ASSERT_TRUE(catalogue->database().exec("DROP TABLE CDDEVICE").ok());
    person.inputAnswers = {std::string("Lost")};
    EXPECT_FALSE(RescanMachines(*ctx).ok());
    EXPECT_FALSE(ctx->rescanRunning);
    EXPECT_TRUE(monitor.active());
    EXPECT_EQ(ctx->machines.count(), 0);
}

} // namespace
} // namespace kavro::test
