// A drive cabinet cataloguing itself, on a simulated cabinet with real timings whose discs hold
// folders of their own: loads, reads, writes, returns, the run log, stops, kills and unplugs.
#include "changer/ChangerFixture.h"

#include "cataloguing/CabinetRun.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "content/DiscScan.h"
#include "platform/CdToc.h"
#include "platform/DiscMounter.h"
#include "platform/Drives.h"
#include "platform/DriveMounts.h"
#include "platform/Volume.h"
#include "shell/Settings.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

// The drive holds an audio disc when the drive folder leads to the folder named AUDIO.
class FolderTocReader final : public CdTocReader {
public:
    CdTocResult read(const std::string& device, Clock&) override
    {
        std::error_code ec;
        if (fs::read_symlink(device, ec).filename() == "AUDIO")
            return {CdToc{{150, 20000, 40000}, 60000}, {}};
        return {std::nullopt, {5, "not an audio disc"}};
    }
};

// Mounts the drive's device where the desktop would, under the disc's label: a link to the folder
// the simulated drive shows. `refusal` set: every mount is refused with it.
class StandInMounter final : public DiscMounter {
public:
    StandInMounter(fs::path drive, fs::path media) : m_drive(std::move(drive)), m_media(std::move(media)) {}

    Result mountReadOnly(const std::string& device) override
    {
        ++mountCalls;
        std::error_code ec;
        const fs::path disc = fs::read_symlink(m_drive, ec);
        if (!refusal.empty() || ec)
            return {false, false, refusal.empty() ? "no medium" : refusal};
        fs::create_directories(m_media);
        const fs::path point = m_media / disc.filename();
        fs::create_directory_symlink(disc, point);
        MountEntry e;
        e.source = device;
        e.root = "/";
        e.mountPoint = point.string();
        e.fsType = "iso9660";
        e.readOnly = true;
        mounts.push_back(e);
        return {true, true, {}};
    }
    bool unmount(const std::string& device) override
    {
        ++unmountCalls;
        for (auto it = mounts.begin(); it != mounts.end(); ++it)
            if (it->source == device) {
                fs::remove(it->mountPoint);
                mounts.erase(it);
                return true;
            }
        return false;
    }

    std::vector<MountEntry> mounts;
    std::string refusal;
    int mountCalls = 0;
    int unmountCalls = 0;

private:
    fs::path m_drive;
    fs::path m_media;
};

struct Killed : std::runtime_error {
    Killed() : std::runtime_error("killed") {}
};

// Records what the run reports, and stops or "kills" it at a chosen point.
class Watching final : public CabinetRun::Observer {
public:
    void slotStarted(int, int, int slot) override
    {
        current = slot;
        if (stopAtSlot == slot && run)
            run->stop();
        check("start");
    }
    void stepStarted(CabinetRun::Step step) override { check(CabinetRun::stepText(step)); }
    void slotDone(const SlotResult& result) override { done.push_back(result.slot); }
    void discWritten(int, int slot, bool) override
    {
        written.push_back(slot);
        check("written");
    }

    void check(const std::string& point)
    {
        if (current == killAtSlot && point == killAt)
            throw Killed();
    }

    CabinetRun* run = nullptr;
    int current = 0;
    int stopAtSlot = 0;
    int killAtSlot = 0;
    std::string killAt;
    std::vector<int> done;
    std::vector<int> written;
};

class CabinetRunTest : public ChangerFixture {
protected:
    void SetUp() override
    {
        ChangerFixture::SetUp();
        makeDisc("HOLIDAY", {"a.jpg", "b.jpg", "sub/c.txt"});
        makeDisc("PHOTOS", {"p.png"});
        // An audio disc has no folder to list: only its table of contents (FolderTocReader).
        makeDisc("KNOWN", {"k.txt"});
        makeDisc("CHANGED", {"new.txt"});
        torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
        spec.id = kDrive;
        // Slot 4 holds a disc without content (unreadable); slot 5 is empty.
        spec.filled = {1, 2, 3, 4, 6, 7};
        spec.driveFolder = (dir.path() / "drive").string();
        spec.discFolders = {{1, folder("HOLIDAY")}, {2, folder("PHOTOS")}, {3, folder("AUDIO")},
                            {6, folder("KNOWN")}, {7, folder("CHANGED")}};
        drive = sim.addCabinet(spec);
        openLibrary();
        registerMachine(kDrive, "Drive");
        ASSERT_TRUE(settings.writeString("Drives", "E", spec.driveFolder + ";cdrom"));
        // Slot 6 is catalogued as the disc it holds, slot 7 as another.
        const Volume known = Volume::readFolder(folder("KNOWN"), DriveMounts{});
        addRecord(6, "Known title", "KNOWN", std::to_string(known.serial));
        addRecord(7, "Old title", "OLDDISC", "12345");
    }

    std::string folder(const std::string& name) const { return (dir.path() / "discs" / name).string(); }

    void makeDisc(const std::string& name, const std::vector<std::string>& files)
    {
        fs::create_directories(folder(name));
        for (const std::string& f : files) {
            const fs::path p = fs::path(folder(name)) / f;
            fs::create_directories(p.parent_path());
            std::ofstream(p) << f;
        }
    }

    void addRecord(int slot, const std::string& title, const std::string& volume, const std::string& serial)
    {
        DiscRecord& d = catalogue->currentDisc();
        d = DiscRecord{};
        d.machine = kDrive;
        d.slot = slot;
        d.title = title;
        d.volume = volume;
        d.serial = serial;
        d.barcode = "BC" + std::to_string(slot);
        ClearDiscTree(catalogue->fileTree());
        ASSERT_TRUE(catalogue->discCursor().append().ok());
        ASSERT_TRUE(WriteDiscRecord(*catalogue).ok());
        ASSERT_TRUE(catalogue->discCursor().post().ok());
    }

    CabinetRunServices services()
    {
        return CabinetRunServices{*catalogue, *ctx, settings, texts, person, clock, nullptr, &tocReader,
                                  [this] {
                                      return Drives::build({}, [this](char letter) {
                                          return settings.readString("Drives", std::string(1, letter), "");
                                      });
                                  },
                                  'E', dir.path() / "Data/CabinetRun.log"};
    }

    CabinetRunOptions options(ExistingSlots existing, std::vector<int> slots = {1, 2, 3, 4, 5, 6, 7})
    {
        CabinetRunOptions o;
        o.machine = kDrive;
        o.slotNumbers = std::move(slots);
        o.existing = existing;
        return o;
    }

    std::vector<std::vector<std::string>> discRows()
    {
        return rows("SELECT Slot, trim(TitleA), Barcode, TreeIndexS FROM KAVRO ORDER BY Slot");
    }

    std::string outcomes(const std::vector<SlotResult>& results)
    {
        std::string out;
        for (const SlotResult& r : results)
            out += std::to_string(r.slot) + ":" + std::string(OutcomeWord(r.outcome)) + " ";
        return out;
    }

    void expectDriveEmpty()
    {
        settle();
        EXPECT_EQ(sim.state(drive).driveSlot, 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "drive")));
    }

    Settings settings{dir.path() / "Kavro.ini"};
    FolderTocReader tocReader;
    int drive = 0;
};

TEST_F(CabinetRunTest, AWholeRunCataloguesEachSlotAsItIs)
{
    auto s = services();
    Watching watching;
    CabinetRun run(s, options(ExistingSlots::Refresh), &watching);
    const auto results = run.run();
    EXPECT_EQ(outcomes(results), "1:catalogued 2:catalogued 3:catalogued 4:unreadable 5:empty 6:refreshed "
                                 "7:different disc ");
    // New discs are named by their volume; the known one keeps its title and barcode; the
    // changed one is left as it was.
    const auto r = discRows();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0][1], "HOLIDAY");
    EXPECT_NE(r[0][3], "0") << "the tree was stored";
    EXPECT_EQ(r[1][1], "PHOTOS");
    EXPECT_EQ(r[2][1], "Audio CD");
    EXPECT_EQ((std::vector<std::string>{r[3][1], r[3][2]}), (std::vector<std::string>{"Known title", "BC6"}));
    EXPECT_NE(r[3][3], "0") << "refreshed with its tree";
    EXPECT_EQ((std::vector<std::string>{r[4][1], r[4][3]}), (std::vector<std::string>{"Old title", "0"}));
    EXPECT_NE(results[6].reason.find("CHANGED"), std::string::npos);
    EXPECT_EQ(watching.written, (std::vector<int>{1, 2, 3, 6}));
    expectDriveEmpty();
    // The log holds every outcome and the end, and nothing is left to continue.
    EXPECT_FALSE(RunLog::unfinished(s.logFile).has_value());
    std::ifstream log(s.logFile);
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("slot 4 unreadable"), std::string::npos);
    EXPECT_NE(text.find("slot 7 different disc | Old title |"), std::string::npos);

    // Check only: nothing is written, the changed disc is still told.
    CabinetRun check(s, options(ExistingSlots::CheckOnly, {1, 7}));
    EXPECT_EQ(outcomes(check.run()), "1:unchanged 7:different disc ");
    // Skip: known slots are not even loaded.
    sim.clearLog();
    CabinetRun skip(s, options(ExistingSlots::Skip, {1, 6}));
    EXPECT_EQ(outcomes(skip.run()), "1:skipped 6:skipped ");
    for (const int code : sim.indicesSent(kDrive))
        EXPECT_NE(code, 19);
}

TEST_F(CabinetRunTest, StopFinishesTheSlotUnderWayAndReturnsItsDisc)
{
    auto s = services();
    Watching watching;
    CabinetRun run(s, options(ExistingSlots::Refresh), &watching);
    watching.run = &run;
    watching.stopAtSlot = 2;
    EXPECT_EQ(outcomes(run.run()), "1:catalogued 2:catalogued ");
    expectDriveEmpty();
    const auto left = RunLog::unfinished(s.logFile);
    ASSERT_TRUE(left.has_value());
    EXPECT_EQ(left->done.size(), 2u);
    EXPECT_EQ(left->maybeInDrive, 0);
}

TEST_F(CabinetRunTest, ARunKilledAnywhereGoesOnWithNothingWrittenTwiceAndNoDiscLeftInTheDrive)
{
    for (const char* point : {"start", "loading", "waiting for the disc", "reading", "written", "returning"}) {
        SCOPED_TRACE(point);
        fs::remove(dir.path() / "Data/CabinetRun.log");
        ASSERT_TRUE(catalogue->database().exec("DELETE FROM KAVRO WHERE Slot IN (1,2,3)").ok());
        auto s = services();
        Watching killer;
        killer.killAtSlot = 2;
        killer.killAt = point;
        CabinetRun first(s, options(ExistingSlots::Refresh, {1, 2, 3}), &killer);
        EXPECT_THROW(first.run(), Killed);

        // The next start: the run is offered for continuation, and a disc in the drive goes home.
        const auto left = RunLog::unfinished(s.logFile);
        ASSERT_TRUE(left.has_value());
        EXPECT_EQ(left->slotNumbers, (std::vector<int>{1, 2, 3}));
        settle();
        EXPECT_TRUE(ReturnDiscLeftInDrive(s, *left));
        CabinetRunOptions again = options(ExistingSlots::Refresh, left->slotNumbers);
        CabinetRun second(s, again);
        second.resume(*left);
        const auto results = second.run();
        ASSERT_EQ(results.size(), 3u);
        EXPECT_EQ(results[0].outcome, SlotOutcome::Catalogued);
        EXPECT_TRUE(results[1].outcome == SlotOutcome::Catalogued || results[1].outcome == SlotOutcome::Refreshed);
        EXPECT_EQ(results[2].outcome, SlotOutcome::Catalogued);
        EXPECT_EQ(rows("SELECT count(*) FROM KAVRO WHERE Slot IN (1,2,3)")[0][0], "3");
        expectDriveEmpty();
        EXPECT_FALSE(RunLog::unfinished(s.logFile).has_value());
    }
}

TEST_F(CabinetRunTest, ACabinetUnpluggedMidRunEndsTheRunWithTheSlotFailed)
{
    auto s = services();
    sim.schedule(drive, {torvex::sim::PlugEvent::Trigger::AfterRequests, 40, false});
    CabinetRun run(s, options(ExistingSlots::Refresh));
    const auto results = run.run();
    ASSERT_FALSE(results.empty());
    EXPECT_LT(results.size(), 7u);
    EXPECT_EQ(results.back().outcome, SlotOutcome::Failed);
    EXPECT_FALSE(results.back().reason.empty());
    EXPECT_TRUE(RunLog::unfinished(s.logFile).has_value());
    EXPECT_EQ(ctx->cabinetWork, 0);
}

TEST_F(CabinetRunTest, ADiscNobodyMountedIsMountedReadOnlyForItsScanOrTheSlotIsUnreadable)
{
    // The drive is a device (D:, the first optical drive) that nobody mounts but the run.
    StandInMounter mounter(dir.path() / "drive", dir.path() / "media");
    auto s = services();
    s.driveLetter = 'D';
    s.mounter = &mounter;
    s.drives = [&] {
        return Drives::build({{"/dev/sr7"}, DriveMounts(mounter.mounts)},
                             [](char) { return std::string(); });
    };
    CabinetRun run(s, options(ExistingSlots::Refresh, {1, 2}));
    EXPECT_EQ(outcomes(run.run()), "1:catalogued 2:catalogued ");
    const auto r = discRows();
    EXPECT_EQ(r[0][1], "HOLIDAY");
    EXPECT_NE(r[0][3], "0") << "the tree was read through the mount";
    EXPECT_EQ(mounter.unmountCalls, 2) << "each disc is unmounted before it goes home";
    EXPECT_TRUE(mounter.mounts.empty());

    // Refused: the slot is unreadable with the reason, within the bounded wait, and goes home.
    mounter.refusal = "Not authorized to perform operation";
    const std::int64_t before = clock.nowMs();
    CabinetRun refused(s, options(ExistingSlots::Refresh, {1}));
    const auto results = refused.run();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, SlotOutcome::Unreadable);
    EXPECT_NE(results[0].reason.find("Not authorized"), std::string::npos) << results[0].reason;
    EXPECT_LT(clock.nowMs() - before, s.readableWaitMs + 60'000);
    EXPECT_EQ(mounter.unmountCalls, 2);
    expectDriveEmpty();
}

TEST(SlotRanges, ParseAndFormat)
{
    const struct {
        const char* text;
        std::optional<std::vector<int>> slots;
    } cases[] = {
        {"1-3,5", std::vector<int>{1, 2, 3, 5}}, {" 7 ", std::vector<int>{7}},
        {"3,1-2,2", std::vector<int>{3, 1, 2}},  {"100", std::vector<int>{100}},
        {"101", std::nullopt},                   {"0-2", std::nullopt},
        {"5-3", std::nullopt},                   {"", std::nullopt},
        {"1,,2", std::nullopt},                  {"a-b", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseSlotRanges(c.text, 100), c.slots) << c.text;
    EXPECT_EQ(FormatSlotRanges({1, 2, 3, 5, 7, 8}), "1-3,5,7-8");
}

} // namespace
} // namespace kavro::test
