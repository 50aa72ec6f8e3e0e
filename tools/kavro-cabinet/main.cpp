// kavro-cabinet: a drive cabinet catalogues itself from the command line, for overnight and
// scripted runs, with the same core as Kavro's "Catalogue Cabinet" (see README).
//
//     kavro-cabinet [--simulate FILE] [--folder PROGRAM_FOLDER] catalogue|check|map ID [SLOTS]
//
// catalogue: new discs are catalogued and slots already in the catalogue skipped, or with
// --refresh refreshed (volume data and file tree; a disc other than its record is reported, not
// written over);
// check: nothing is written, each slot is compared with its record; map: the slot map from the
// catalogue and the take-out log, without moving the cabinet. SLOTS like "1-40,45" (default: every
// slot). One line per slot; exit 0 done, 1 some slots failed, 2 bad use (or Kavro is running).
// Ctrl-C (or SIGTERM) stops as the window's Stop does: after the slot under way, its disc back in
// its slot; a second one ends the program at once.
#include "cataloguing/CabinetRun.h"
#include "cataloguing/SlotMap.h"
#include "catalogue/records/Catalogue.h"
#include "cddb/DiscTitleLookup.h"
#include "changer/ChangerContext.h"
#include "changer/DriveFlows.h"
#include "changer/MachineRegistry.h"
#include "changer/TorvexCalls.h"
#include "platform/Drives.h"
#include "platform/LibcdioTocReader.h"
#include "platform/Person.h"
#include "platform/SystemClock.h"
#include "platform/udisks/UDisksMounter.h"
#include "platform/Texts.h"
#include "shell/InstanceLock.h"
#include "shell/ProgramFolder.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"
#include "shell/StartUp.h"

#include <QCoreApplication>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using namespace kavro;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp =
    R"(usage: kavro-cabinet [--simulate FILE] [--folder PROGRAM_FOLDER] [--refresh] catalogue|check|map ID [SLOTS]

A cabinet with a built-in drive catalogues itself: each slot's disc is loaded, read and
returned before the next.
  catalogue   catalogue the discs the catalogue does not know; with --refresh also read the
              known ones again for their volume data and file tree (a disc other than its
              record is reported, never written over)
  check       write nothing; compare each slot's disc with its record
  map         show what the catalogue and the take-out log know of each slot; moves nothing
  ID          the cabinet's id (decimal, or hex with 0x)
  SLOTS       slots like 1-40,45 (default: every slot)
  --simulate FILE   the simulated cabinets described in FILE instead of USB
  --folder PATH     the program folder (default: Kavro's own)
One line per slot. Exit codes: 0 done, 1 some slots failed, 2 bad use or Kavro is running.
)";

// Nobody answers at the command line: questions are cancelled, messages printed.
class ConsolePerson final : public Person {
public:
    BoxAnswer messageBox(const std::string& text, const std::string&, BoxIcon, BoxButtons,
                         std::optional<BoxAnswer>) override
    {
        std::fprintf(stderr, "kavro-cabinet: %s\n", text.c_str());
        return BoxAnswer::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    void progress(int, int, const std::string&) override {}
};

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
}

// The first Ctrl-C or SIGTERM asks the run to stop; the handler is reset by it, so a second one
// ends the program.
void catchInterrupts()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

class PrintingObserver final : public CabinetRun::Observer {
public:
    void slotStarted(int index, int count, int slot) override
    {
        m_slot = slot;
        std::fprintf(stderr, "[%d/%d] slot %d\n", index + 1, count, slot);
        noticeInterrupt();
    }
    void stepStarted(CabinetRun::Step) override { noticeInterrupt(); }
    // Looked at between the steps and through every wait of the run (the clock's event hook).
    void noticeInterrupt()
    {
        if (g_interrupted == 0 || run == nullptr || run->stopped())
            return;
        run->stop();
        std::fprintf(stderr, "kavro-cabinet: stopping after slot %d, once its disc is back in its slot\n", m_slot);
    }

    CabinetRun* run = nullptr;
    void slotDone(const SlotResult& r) override
    {
        std::printf("%d\t%s\t%s%s%s\n", r.slot, std::string(OutcomeWord(r.outcome)).c_str(), r.title.c_str(),
                    r.reason.empty() ? "" : "\t", r.reason.c_str());
        std::fflush(stdout);
    }
    void discWritten(int, int, bool) override {}

private:
    int m_slot = 0;
};

std::optional<int> parseId(const std::string& text)
{
    const bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
    const std::string digits = hex ? text.substr(2) : text;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || value <= 0)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    std::string simulate;
    std::string folder;
    bool refresh = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        if (arg == "--refresh") {
            refresh = true;
        } else if (arg == "--simulate" || arg == "--folder") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kavro-cabinet: %s needs a value (see --help)\n", arg.c_str());
                return kExitUsage;
            }
            (arg == "--simulate" ? simulate : folder) = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kavro-cabinet: unknown option '%s' (see --help)\n", arg.c_str());
            return kExitUsage;
        } else {
            break;
        }
    }
    if (argc - i < 2 || argc - i > 3) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    const std::string command = argv[i];
    if (command != "catalogue" && command != "check" && command != "map") {
        std::fprintf(stderr, "kavro-cabinet: unknown command '%s' (see --help)\n", command.c_str());
        return kExitUsage;
    }
    const auto machine = parseId(argv[i + 1]);
    if (!machine) {
        std::fprintf(stderr, "kavro-cabinet: '%s' is no cabinet id\n", argv[i + 1]);
        return kExitUsage;
    }
    if (!simulate.empty()) {
        if (!std::ifstream(simulate)) {
            std::fprintf(stderr, "kavro-cabinet: cannot read the simulator file '%s'\n", simulate.c_str());
            return kExitUsage;
        }
        // The library picks its transport at its first call.
        setenv("TORVEX_SIMULATOR", simulate.c_str(), 1);
    }

    // One program drives the cabinets at a time: the same lock as Kavro's.
    InstanceLock lock;
    if (!lock.acquire(InstanceLock::defaultFolder())) {
        std::fprintf(stderr, "kavro-cabinet: Kavro is running; close it first (one program drives the cabinets "
                             "at a time)\n");
        return kExitUsage;
    }

    QCoreApplication app(argc, argv);
    if (folder.empty())
        folder = ProgramFolder::locate(ProgramFolder::runningExecutable(), ProgramFolder::UserFolders::fromEnvironment())
                     .path();
    if (folder.back() != '/')
        folder += '/';
    ConsolePerson person;
    PrintingObserver observer;
    SystemClock clock([&observer] {
        QCoreApplication::processEvents();
        observer.noticeInterrupt();
    });
    DefaultTexts texts;
    Settings settings(startup::chooseSettingsFile(folder));
    Catalogue catalogue(folder, person, texts, clock);
    if (auto opened = catalogue.open(); !opened) {
        std::fprintf(stderr, "kavro-cabinet: %s\n", opened.error().c_str());
        return kExitFailed;
    }
    LinkedTorvex torvex;
    ChangerContext ctx(catalogue, torvex, person, clock, texts);
    ctx.settings = &settings;
    OpenChangers(ctx);
    if (auto loaded = LoadRegistry(ctx); !loaded) {
        std::fprintf(stderr, "kavro-cabinet: %s\n", loaded.error().c_str());
        return kExitFailed;
    }
    if (ctx.machines.find(*machine) == nullptr) {
        std::fprintf(stderr, "kavro-cabinet: cabinet %s is not registered; start Kavro with it plugged in first\n",
                     argv[i + 1]);
        return kExitUsage;
    }
    const int lastSlot = LastSlotOf(ctx, *machine);
    std::vector<int> chosen;
    if (argc - i == 3) {
        const auto parsed = ParseSlotRanges(argv[i + 2], lastSlot);
        if (!parsed) {
            std::fprintf(stderr, "kavro-cabinet: '%s' names no slots of 1 to %d\n", argv[i + 2], lastSlot);
            return kExitUsage;
        }
        chosen = *parsed;
    } else {
        for (int s = 1; s <= lastSlot; ++s)
            chosen.push_back(s);
    }

    if (command == "map") {
        const SlotMap map = BuildSlotMap(catalogue, ctx, *machine, lastSlot, folder + "Data/");
        for (const int slot : chosen) {
            const SlotInfo& info = map.cells[static_cast<std::size_t>(slot - 1)];
            std::printf("%d\t%s\t%s\n", slot, std::string(SlotStateWord(info.state)).c_str(), info.title.c_str());
        }
        return kExitOk;
    }
    if (!IsDriveMachine(ctx, *machine)) {
        std::fprintf(stderr, "kavro-cabinet: cabinet %s has no drive to read its discs\n", argv[i + 1]);
        return kExitUsage;
    }

    LibcdioTocReader tocReader;
    DiscTitleLookup titles(tocReader);
    CabinetRunServices services{catalogue, ctx, settings, texts, person, clock, &titles, &tocReader,
                                [&settings] {
                                    return Drives::build(Drives::readSystem(), [&settings](char letter) {
                                        return settings.readString(Drives::SettingsSection,
                                                                   std::string(1, letter), "");
                                    });
                                },
                                Drives::letterOf(keys::read(settings, keys::Cdrom)),
                                folder + "Data/CabinetRun.log"};
    UDisksMounter mounter;
    services.mounter = &mounter;
    CabinetRunOptions options;
    options.machine = *machine;
    options.slotNumbers = chosen;
    options.existing = command == "check" ? ExistingSlots::CheckOnly
                       : refresh              ? ExistingSlots::Refresh
                                              : ExistingSlots::Skip;
    options.askTitles = true;
    CabinetRun run(services, options, &observer);
    observer.run = &run;
    catchInterrupts();
    const auto results = run.run();
    bool failed = results.size() < chosen.size();
    for (const SlotResult& r : results)
        failed = failed || r.outcome == SlotOutcome::Failed;
    return failed ? kExitFailed : kExitOk;
}
