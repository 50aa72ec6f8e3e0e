#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Texts;

// How one slot of a cataloguing run ended.
enum class SlotOutcome {
    Catalogued,
    Refreshed,
    Unchanged,
    Skipped,
    Empty,
    Unreadable,
    DifferentDisc,
    NotCatalogued, // a check found a disc in a slot the catalogue calls free
    Failed,
};

// The word the run log and the results use for an outcome ("catalogued", "different disc", ...).
std::string_view OutcomeWord(SlotOutcome outcome);
std::optional<SlotOutcome> OutcomeOfWord(std::string_view word);
// The outcome as the person reads it, in the language in use.
std::string OutcomeText(const Texts& texts, SlotOutcome outcome);

struct SlotResult {
    int slot = 0;
    SlotOutcome outcome = SlotOutcome::Failed;
    std::string title;  // the disc's title in the catalogue after the slot
    std::string reason; // why it failed, or what differed
};

// A run that was cut short (power loss, the program killed): what it was asked to do, what it
// finished, and the slot whose disc may still be in the drive.
struct UnfinishedRun {
    std::string header; // the run's first line, as written
    int machine = 0;
    std::vector<int> slotNumbers;
    std::string existing;   // "skip", "refresh" or "check"
    bool askTitles = false;
    int categoryId = 0;
    bool overwriteDifferent = false;
    std::vector<SlotResult> done;
    int maybeInDrive = 0; // a slot loaded and not seen returned; 0 none
};

// Data/CabinetRun.log: one line per event, appended and flushed at once, in UTF-8 with LF:
//   run <date time> machine=<id> slots=<ranges> existing=<skip|refresh|check> titles=<0|1>
//       category=<id> different=<0|1>
//   load <slot>
//   slot <slot> <outcome word> | <title> | <reason>
//   return <slot>
//   end
// The log only grows; each run starts with its "run" line.
class RunLog {
public:
    explicit RunLog(std::filesystem::path file) : m_file(std::move(file)) {}

    const std::filesystem::path& file() const { return m_file; }

    // False when the line could not be written (the run goes on; nothing depends on it but a
    // later continuation).
    bool append(std::string_view line) const;

    // The last run of the log when it has no "end" line; nullopt for none or a finished one.
    static std::optional<UnfinishedRun> unfinished(const std::filesystem::path& file);

private:
    std::filesystem::path m_file;
};

// The line of one slot's result, and the result read back from such a line (nullopt for any
// other line).
std::string SlotLine(const SlotResult& result);
std::optional<SlotResult> ParseSlotLine(std::string_view line);

} // namespace kavro
