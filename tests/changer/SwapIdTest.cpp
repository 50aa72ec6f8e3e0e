#include "ChangerFixture.h"

#include "catalogue/records/DiscRecords.h"
#include "changer/SwapId.h"

namespace kavro::test {
namespace {

class ScriptedSwapDialog final : public SwapIdDialog {
public:
    std::pair<std::string, std::string> ask(const std::vector<std::string>& machineNames) override
    {
        offered = machineNames;
        return answer;
    }
    std::vector<std::string> offered;
    std::pair<std::string, std::string> answer;
};

class SwapIdTest : public ChangerFixture {
protected:
    static constexpr int kA = 1001;
    static constexpr int kB = 1002;
    static constexpr int kC = 1003;

    void SetUp() override
    {
        ChangerFixture::SetUp();
        registerMachine(kA, "Alpha");
        registerMachine(kB, "Beta");
        registerMachine(kC, "Gamma");
    }

    void addDisc(int machine, int slot)
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.title = "Disc " + std::to_string(machine) + "/" + std::to_string(slot);
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        ASSERT_TRUE(WriteDiscRecord(*catalogue).ok());
        ASSERT_TRUE(catalogue->discCursor().post().ok());
    }

    // "machine:title" of every disc row in table order.
    std::vector<std::string> discs()
    {
        std::vector<std::string> out;
        for (const auto& r : rows("SELECT MachineNo, trim(TitleA) FROM KAVRO ORDER BY rowid"))
            out.push_back(r[0] + ":" + r[1]);
        return out;
    }

    SwapResult swap(std::string source, std::string target)
    {
        dialog.answer = {std::move(source), std::move(target)};
        return SwapID1(*ctx, dialog);
    }

    ScriptedSwapDialog dialog;
};

TEST_F(SwapIdTest, TwoMachinesExchangeTheirDiscs)
{
    addDisc(kA, 1);
    addDisc(kB, 2);
    addDisc(kA, 3);
    addDisc(kC, 4);
    addDisc(1, 5);
    const SwapResult r = swap("Alpha", "Beta");
    EXPECT_EQ(r.outcome, SwapOutcome::Swapped) << r.error;
    EXPECT_EQ(dialog.offered, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(discs(), (std::vector<std::string>{"1002:Disc 1001/1", "1001:Disc 1002/2", "1002:Disc 1001/3",
                                                 "1003:Disc 1003/4", "1:Disc 1/5"}));
    // A safety copy was taken first.
    EXPECT_FALSE(std::filesystem::is_empty(dir / "Backup"));
    // The registry is left as it was.
    EXPECT_EQ(ctx->machines.MachineByName("Alpha"), kA);
}

TEST_F(SwapIdTest, OneSideEmptyMovesEverythingAcross)
{
    addDisc(kA, 1);
    addDisc(kA, 2);
    EXPECT_EQ(swap("Alpha", "Beta").outcome, SwapOutcome::Swapped);
    EXPECT_EQ(discs(), (std::vector<std::string>{"1002:Disc 1001/1", "1002:Disc 1001/2"}));
    EXPECT_EQ(swap("Gamma", "Beta").outcome, SwapOutcome::Swapped);
    EXPECT_EQ(discs(), (std::vector<std::string>{"1003:Disc 1001/1", "1003:Disc 1001/2"}));
}

TEST_F(SwapIdTest, RowsOnParkingLikeNumbersStayWhereTheyAre)
{
    addDisc(kA, 1);
    addDisc(kB, 2);
    addDisc(1, 3);
    addDisc(-1, 4);
    EXPECT_EQ(swap("Beta", "Alpha").outcome, SwapOutcome::Swapped);
    EXPECT_EQ(discs(), (std::vector<std::string>{"1002:Disc 1001/1", "1001:Disc 1002/2", "1:Disc 1/3",
                                                 "-1:Disc -1/4"}));
}

TEST_F(SwapIdTest, CancelUnknownNamesAndOneMachineTwiceChangeNothing)
{
    addDisc(kA, 1);
    addDisc(kB, 2);
    const auto before = discs();
    for (const auto& [source, target] : std::vector<std::pair<std::string, std::string>>{
             {"", ""}, {"Alpha", ""}, {"Alpha", "Nobody"}, {"alpha", "Beta"}, {"Beta", "Beta"}}) {
        EXPECT_EQ(swap(source, target).outcome, SwapOutcome::Unchanged) << source << "/" << target;
    }
    EXPECT_EQ(discs(), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "Backup"));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(SwapIdTest, AFailingStatementLeavesTheCatalogueAsItWas)
{
    addDisc(kA, 1);
    addDisc(kB, 2);
    const auto before = discs();
    // The last statement (parked rows to A) fails.
    ASSERT_TRUE(catalogue->database()
                    .exec("CREATE TRIGGER refuse BEFORE UPDATE ON KAVRO WHEN OLD.MachineNo < 0 "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .ok());
    const SwapResult r = swap("Alpha", "Beta");
    EXPECT_EQ(r.outcome, SwapOutcome::Failed);
    EXPECT_NE(r.error.find("refused"), std::string::npos);
    EXPECT_EQ(discs(), before);
    EXPECT_FALSE(catalogue->database().inTransaction());
    // Pending window events ran between the statements that did run.
    EXPECT_GE(clock.eventRuns, 2);
}

} // namespace
} // namespace kavro::test
