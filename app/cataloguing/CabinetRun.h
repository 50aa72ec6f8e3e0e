#pragma once

#include "cataloguing/RunLog.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class CdTocReader;
class Clock;
class DiscMounter;
class DiscTitleLookup;
class Drives;
class Person;
class Settings;
class Texts;
struct ChangerContext;

// What the run does with a slot the catalogue already has a disc for.
enum class ExistingSlots { Skip, Refresh, CheckOnly };

struct CabinetRunOptions {
    int machine = 0;
    std::vector<int> slotNumbers;
    ExistingSlots existing = ExistingSlots::Skip;
    bool askTitles = false;          // audio discs: titles from MusicBrainz or CDDB
    int categoryId = 0;              // the category of new discs
    bool overwriteDifferent = false; // a disc other than its record is written over it
};

// What a run needs of the program: the catalogue and the changer, the person and the clock,
// the disc title source (nullptr: none) and the drive of the cabinet.
struct CabinetRunServices {
    Catalogue& catalogue;
    ChangerContext& changer;
    const Settings& settings;
    const Texts& texts;
    Person& person;
    Clock& clock;
    DiscTitleLookup* titles;
    CdTocReader* tocReader;
    std::function<Drives()> drives;
    char driveLetter = 0;
    std::filesystem::path logFile; // Data/CabinetRun.log
    // How long a loaded disc may take to become readable, and how often it is looked at.
    int readableWaitMs = 30000;
    int readablePollMs = 1000;
    // How often a moving cabinet is asked whether it has stopped: each wait for a load or a
    // return ends at most this long after the cabinet did, and a slot has two.
    int cabinetPollMs = 200;
    // Mounts a disc read-only that the desktop did not mount (nullptr: such a disc is unreadable).
    DiscMounter* mounter = nullptr;
};

// Catalogues a drive cabinet by itself: each slot's disc is loaded into the drive, read
// (volume data, file tree, titles of an audio disc), written to the catalogue and returned to its
// slot before the next. An existing record keeps its title, category, barcode, remark and
// picture. Every outcome is appended to the run log at once, so a run cut short can go on
// where it stopped; a disc is never left in the drive by the run.
class CabinetRun {
public:
    enum class Step { Loading, WaitingForDisc, Mounting, Reading, LookingUp, Writing, Returning };

    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void slotStarted(int index, int count, int slot) = 0;
        virtual void stepStarted(Step step) = 0;
        virtual void slotDone(const SlotResult& result) = 0;
        // A disc row was written (appended or overwritten), for the views that show it.
        virtual void discWritten(int machine, int slot, bool appended) = 0;
    };

    CabinetRun(CabinetRunServices& services, CabinetRunOptions options, Observer* observer = nullptr);

    // Continues a run cut short: the slots it finished are not done again.
    void resume(const UnfinishedRun& run);

    // Runs the remaining slots; returns every slot's result in order (those of a resumed run's
    // earlier part included). Ends early after stop(), once the slot under way is finished and
    // its disc returned, or when the cabinet has gone.
    std::vector<SlotResult> run();

    // Asks the run to stop after the slot under way; callable from an event handler meanwhile.
    void stop() { m_stopped = true; }
    bool stopped() const { return m_stopped; }

    static const char* stepText(Step step);
    // The step as the person reads it, in the language in use.
    static std::string stepText(const Texts& texts, Step step);

private:
    SlotResult catalogueSlot(int slot);
    // Loads the slot's disc; Empty, Failed or Catalogued (loaded) in the result's outcome.
    SlotResult load(int slot);
    bool returnDisc(int slot, std::string& reason);
    void step(Step s);

    CabinetRunServices& m_s;
    CabinetRunOptions m_options;
    Observer* m_observer;
    std::vector<SlotResult> m_done;
    RunLog m_log;
    bool m_resumed = false;
    bool m_stopped = false;
    bool m_cabinetGone = false;
};

// A disc that a run cut short may have left in the drive goes back to its slot (the next start
// offers this). True when the drive is empty afterwards.
bool ReturnDiscLeftInDrive(CabinetRunServices& services, const UnfinishedRun& run);

// "1-40,45" as slot numbers in the order given, each once, within 1..lastSlot; nullopt for text
// that names no slots or one outside the range.
std::optional<std::vector<int>> ParseSlotRanges(std::string_view text, int lastSlot);
// The reverse, compressed: {1,2,3,5} is "1-3,5".
std::string FormatSlotRanges(const std::vector<int>& slots);

} // namespace kavro
