#include "ChangerFixture.h"

#include "changer/TestCycle.h"

namespace kavro::test {
namespace {

using Reply = torvex::sim::Reply;

class TestCycleTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        drive = addCabinet(kDrive);
        openLibrary();
        ctx->CurrentMachine = kDrive;
    }

    // Slots sent after code 12, in order.
    std::vector<int> slotsMoved() const
    {
        std::vector<int> slots;
        const auto sent = sim.indicesSent(kDrive);
        for (std::size_t i = 0; i + 1 < sent.size(); ++i)
            if (sent[i] == 12)
                slots.push_back(sent[i + 1]);
        return slots;
    }

    // Presses the stopping chord once `moves` moves were made.
    void stopAfter(std::size_t moves)
    {
        clock.onProcessEvents = [this, moves] {
            if (ctx->testRunning && slotsMoved().size() >= moves)
                TestCycleKeyPressed(*ctx, TestCycleKey::Chord);
        };
    }

    int drive = 0;
};

TEST_F(TestCycleTest, ArmedStartRunsTheSlotsUpwardsUntilStopped)
{
    TestCycleKeyPressed(*ctx, TestCycleKey::Chord);
    EXPECT_EQ(ctx->display.statusText(3), "Wait ");
    EXPECT_TRUE(ctx->testArmed);
    clock.advance(9999);
    stopAfter(3);
    TestCycleKeyPressed(*ctx, TestCycleKey::Start100);

    EXPECT_EQ(slotsMoved(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(ctx->display.statusText(0), "Test Mode");
    EXPECT_EQ(ctx->display.statusText(3), "Auto Check Stop");
    EXPECT_FALSE(ctx->testRunning);
    EXPECT_FALSE(ctx->testArmed);
    EXPECT_EQ(sim.indicesSent(kDrive).front(), 11);
    // Reset wait, then per slot: 2 s, the move's 1.5 s, 6 s.
    EXPECT_EQ(std::vector<int>(clock.sleeps.begin(), clock.sleeps.begin() + 4),
              (std::vector<int>{2000, 2000, 1500, 6000}));
}

TEST_F(TestCycleTest, AStartKeyTenSecondsAfterArmingOnlyDisarms)
{
    TestCycleKeyPressed(*ctx, TestCycleKey::Chord);
    clock.advance(10000);
    TestCycleKeyPressed(*ctx, TestCycleKey::Start150);
    EXPECT_FALSE(ctx->testArmed);
    EXPECT_FALSE(ctx->testRunning);
    EXPECT_TRUE(sim.log().empty());
    // Unarmed, a start key does nothing.
    TestCycleKeyPressed(*ctx, TestCycleKey::Start150);
    EXPECT_TRUE(sim.log().empty());
}

TEST_F(TestCycleTest, ASlotIsTriedAgainWhileTheMachineIsNotReady)
{
    // The first readiness check after the first move answers busy (the move's own readiness
    // check and its wait for the arm come first).
    sim.script(drive, 17, Reply::text("ACK"));
    sim.script(drive, 17, Reply::text("ACK"));
    sim.script(drive, 17, Reply::text("BUSY"));
    ctx->testRunning = true;
    stopAfter(3);
    RunTestCycle(*ctx, 100);
    EXPECT_EQ(slotsMoved(), (std::vector<int>{2, 2, 3}));
}

TEST_F(TestCycleTest, TheSlotOrderWrapsAfterReachingOneBeyondTheLast)
{
    EXPECT_EQ(NextTestSlot(1, 100), 2);
    EXPECT_EQ(NextTestSlot(100, 100), 101);
    EXPECT_EQ(NextTestSlot(101, 100), 1);
    EXPECT_EQ(NextTestSlot(0, 150), 1);
}

} // namespace
} // namespace kavro::test
