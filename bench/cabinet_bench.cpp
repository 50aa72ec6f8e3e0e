// Cabinet cataloguing benchmark: a simulated 100-slot cabinet with a drive, moving with the real
// timings (a load 8 s, a return 6 s) on a virtual clock whose waits are really slept only a
// fraction of their length. Its slots hold data discs with generated trees, a few unreadable discs
// and some empty slots; a whole run catalogues them as Kavro's Catalogue Cabinet does. Measured in
// the same run:
//  - the cabinet's movements (loads and returns, from its own timings) against the run's
//    virtual time: what the run waits beyond them;
//  - the run's wall time, less the real part of the waits and less the scans of the discs: the
//    run's own work per slot (status requests, the drive's letter, volume data, the record and
//    its tree written, the run log);
//  - the scan of the same discs on their own (the reference).
// The run's overhead per slot is its waiting beyond the movements plus its own work.
//
// Usage: cabinet_bench [--files N] [--shorten N] [--offset MS] [--poll MS] [--dir FOLDER]
// (--files: files per data disc, default 1500; --shorten: real waits are 1/N of the virtual
// ones, default 1000, 0 for none; --offset: added to the load and the return, default 300, so
// that a movement does not end just when the run asks; --poll: how often the run asks a moving
// cabinet, default the run's own; with --dir the discs are kept there and
// made only once)

#include "BenchSupport.h"

#include "cataloguing/CabinetRun.h"
#include "catalogue/records/Catalogue.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "changer/TorvexCalls.h"
#include "content/DiscScan.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "support/TempDir.h"

#include "torvex/Transport.h"
#include "torvex/sim/Simulator.h"
#include "torvex/torvex.h"

#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <thread>

namespace {

using namespace kavro;
using namespace kavro::bench;
namespace fs = std::filesystem;

constexpr int kMachine = 0x0A0B0C;
constexpr int kSlots = 100;

// Virtual time that advances by each wait at once; the wait itself is slept for real, shortened.
class ShortenedClock final : public Clock {
public:
    explicit ShortenedClock(int shorten) : m_shorten(shorten) {}

    void sleep(int ms) override
    {
        m_now += ms;
        if (m_shorten <= 0)
            return;
        const auto start = Steady::now();
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(ms) * 1000 / m_shorten));
        m_sleptMs += msSince(start);
    }
    void processEvents() override {}
    std::int64_t nowMs() const override { return m_now; }

    double sleptMs() const { return m_sleptMs; }

private:
    int m_shorten;
    std::int64_t m_now = 1'000'000;
    double m_sleptMs = 0;
};

// Times the reading step of each slot (from its start to the step after it), and each slot's
// virtual time by its outcome.
class ScanTimer final : public CabinetRun::Observer {
public:
    explicit ScanTimer(const Clock& clock) : m_clock(clock) {}

    void slotStarted(int, int, int) override
    {
        endScan();
        m_slotStart = m_clock.nowMs();
    }
    void stepStarted(CabinetRun::Step step) override
    {
        endScan();
        if (step == CabinetRun::Step::Reading) {
            m_scanning = true;
            m_start = Steady::now();
        }
    }
    void slotDone(const SlotResult& r) override
    {
        endScan();
        const std::string word(OutcomeWord(r.outcome));
        ++outcomes[word];
        virtualMsByOutcome[word] += static_cast<double>(m_clock.nowMs() - m_slotStart);
    }
    void discWritten(int, int, bool) override {}

    double scanMs = 0;
    std::map<std::string, int> outcomes;
    std::map<std::string, double> virtualMsByOutcome;

private:
    const Clock& m_clock;
    std::int64_t m_slotStart = 0;
    void endScan()
    {
        if (m_scanning)
            scanMs += msSince(m_start);
        m_scanning = false;
    }
    bool m_scanning = false;
    Steady::time_point m_start;
};

// A data disc: folders of 50 files with realistic names, empty files (a scan reads names, sizes
// and dates, never contents).
void makeDisc(const fs::path& folder, int files, std::mt19937& rng)
{
    auto pick = [&](auto& array) { return array[rng() % std::size(array)]; };
    char name[64];
    for (int i = 0; i < files; ++i) {
        if (i % 50 == 0) {
            std::snprintf(name, sizeof name, "%s %02d", pick(kWords), i / 50);
            fs::create_directories(folder / name);
        }
        char file[64];
        std::snprintf(file, sizeof file, "%s_%05u%s", pick(kWords), static_cast<unsigned>(rng() % 100000),
                      pick(kExtensions));
        std::ofstream(folder / name / file);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int files = 1500;
    int shorten = 1000;
    int offset = 300;
    int poll = 0;
    std::optional<fs::path> dirArg;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--files" && i + 1 < argc)
            files = std::max(1, std::atoi(argv[++i]));
        else if (a == "--shorten" && i + 1 < argc)
            shorten = std::max(0, std::atoi(argv[++i]));
        else if (a == "--offset" && i + 1 < argc)
            offset = std::max(0, std::atoi(argv[++i]));
        else if (a == "--poll" && i + 1 < argc)
            poll = std::max(1, std::atoi(argv[++i]));
        else if (a == "--dir" && i + 1 < argc)
            dirArg = argv[++i];
        else {
            std::fprintf(stderr, "usage: cabinet_bench [--files N] [--shorten N] [--offset MS] [--poll MS] [--dir FOLDER]\n");
            return 2;
        }
    }
    std::unique_ptr<kavro::test::TempDir> temp;
    fs::path dir;
    if (dirArg) {
        dir = *dirArg;
        fs::remove_all(dir / "Data");
        fs::remove(dir / "KAVRO2.MDB");
    } else {
        temp = std::make_unique<kavro::test::TempDir>();
        dir = temp->path();
    }
    fs::create_directories(dir / "Data");

    // Slots 1-90 hold discs: 86 data discs, 4 without anything readable (41, 42, 77, 78); 91-100
    // are empty.
    std::mt19937 rng(19);
    torvex::sim::CabinetSpec spec = torvex::sim::CabinetSpec::realTiming();
    spec.id = kMachine;
    spec.slots = kSlots;
    spec.driveFolder = (dir / "drive").string();
    torvex::sim::Timing timing;
    timing.loadMs += offset;
    timing.returnMs += offset;
    spec.busyMsByCode = timing.byCode();
    const auto madeStart = Steady::now();
    for (int slot = 1; slot <= 90; ++slot) {
        spec.filled.push_back(slot);
        if (slot == 41 || slot == 42 || slot == 77 || slot == 78)
            continue;
        char label[32];
        std::snprintf(label, sizeof label, "DISC_%03d", slot);
        const fs::path folder = dir / "discs" / label;
        if (!fs::exists(folder))
            makeDisc(folder, files, rng);
        spec.discFolders[slot] = folder.string();
    }
    std::printf("discs made in %.1f s: %zu data discs of %d files, 4 unreadable, 10 empty slots\n",
                msSince(madeStart) / 1000, spec.discFolders.size(), files);

    ShortenedClock clock(shorten);
    auto person = quietPerson();
    DefaultTexts texts;
    torvex::sim::Simulator sim;
    sim.setTimeSource([&clock] { return clock.nowMs(); });
    const int cabinet = sim.addCabinet(spec);
    sim.install();
    Catalogue catalogue(dir, person, texts, clock);
    if (auto opened = catalogue.open(); !opened) {
        std::fprintf(stderr, "catalogue: %s\n", opened.error().c_str());
        return 1;
    }
    LinkedTorvex torvex;
    ChangerContext ctx(catalogue, torvex, person, clock, texts);
    if (InitUSBKavro() != 0) {
        std::fprintf(stderr, "the simulated cabinet did not open\n");
        return 1;
    }
    MachineEntry entry;
    entry.DeviceId = kMachine;
    entry.name = "KZ350VN";
    entry.model = "KZ350VN";
    if (!ctx.machines.add(entry)) {
        std::fprintf(stderr, "the cabinet could not be registered\n");
        return 1;
    }
    Settings settings(dir / "Kavro.ini");
    (void)settings.writeString(Drives::SettingsSection, "E", spec.driveFolder + ";cdrom");
    auto drives = [&settings] {
        return Drives::build(Drives::readSystem(), [&settings](char letter) {
            return settings.readString(Drives::SettingsSection, std::string(1, letter), "");
        });
    };
    CabinetRunServices services{catalogue, ctx,     settings, texts,          person, clock, nullptr, nullptr,
                                drives,    'E',     dir / "Data/CabinetRun.log"};

    if (poll > 0)
        services.cabinetPollMs = poll;

    // The reference first, so that the run and it both find the folders in the page cache.
    auto referenceScan = [&] {
        const auto start = Steady::now();
        for (const auto& [slot, folder] : spec.discFolders) {
            (void)slot;
            (void)settings.writeString(Drives::SettingsSection, "F", folder + ";cdrom");
            FileTree tree;
            ScanDiscTree(tree, 'F', drives(), clock);
        }
        return msSince(start);
    };
    (void)referenceScan();

    CabinetRunOptions options;
    options.machine = kMachine;
    for (int slot = 1; slot <= kSlots; ++slot)
        options.slotNumbers.push_back(slot);
    ScanTimer observer(clock);
    CabinetRun run(services, options, &observer);
    const std::int64_t virtualStart = clock.nowMs();
    const double sleptBefore = clock.sleptMs();
    const auto wallStart = Steady::now();
    const auto results = run.run();
    const double wallMs = msSince(wallStart);
    const double sleptMs = clock.sleptMs() - sleptBefore;
    const double virtualMs = static_cast<double>(clock.nowMs() - virtualStart);
    const double referenceMs = referenceScan();

    // Each load counts once on the drive counter, and each loaded disc went back.
    const int loads = sim.state(cabinet).counter;
    const double movementMs = static_cast<double>(loads) * (timing.loadMs + timing.returnMs);
    // An unreadable disc is given the whole bounded wait to become readable; that wait is told
    // apart from the run's own.
    const int unreadable = observer.outcomes["unreadable"];
    const double unreadableMs = observer.virtualMsByOutcome["unreadable"] - unreadable * (timing.loadMs + timing.returnMs);
    const double waitingMs = virtualMs - movementMs - unreadableMs;
    const double ownMs = wallMs - sleptMs - observer.scanMs;
    const double overheadMs = (waitingMs + ownMs) / kSlots;

    std::printf("\n%zu slots:", results.size());
    for (const auto& [word, n] : observer.outcomes)
        std::printf(" %d %s,", n, word.c_str());
    std::printf(" drive empty at the end: %s\n", sim.state(cabinet).driveSlot == 0 ? "yes" : "NO");
    std::printf("cabinet movements      %8.1f s  (%d loads and returns of %.1f s)\n", movementMs / 1000, loads,
                (timing.loadMs + timing.returnMs) / 1000.0);
    std::printf("run, virtual time      %8.1f s  of which %.1f s waiting for %d unreadable discs (%.0f s each)\n",
                virtualMs / 1000, unreadableMs / 1000, unreadable, unreadable ? unreadableMs / 1000 / unreadable : 0.0);
    std::printf("waiting beyond that    %8.3f s  %.3f s per slot (the run asks a moving cabinet every %d ms)\n",
                waitingMs / 1000, waitingMs / 1000 / kSlots, services.cabinetPollMs);
    std::printf("run, wall time         %8.3f s  real waits (1/%d) %.3f s, scans %.3f s\n", wallMs / 1000, shorten,
                sleptMs / 1000, observer.scanMs / 1000);
    std::printf("run's own work         %8.3f s  %.1f ms per slot\n", ownMs / 1000, ownMs / kSlots);
    std::printf("reference scan         %8.3f s  the same %zu discs on their own, %.1f ms per disc\n",
                referenceMs / 1000, spec.discFolders.size(), referenceMs / static_cast<double>(spec.discFolders.size()));
    std::printf("overhead per slot      %8.3f s  (goal under 0.5 s); own work / scan of the same discs: %.2f\n",
                overheadMs / 1000, ownMs / referenceMs);
    CloseUSBKavro();
    torvex::setTransport(nullptr);
    return overheadMs < 500 ? 0 : 1;
}
