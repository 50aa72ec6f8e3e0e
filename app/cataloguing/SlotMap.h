#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class Catalogue;
class Texts;
struct ChangerContext;

// What is known of one slot of a cabinet.
enum class SlotState {
    Free,       // no disc in the catalogue
    Catalogued, // a disc in the catalogue
    TakenOut,   // the take-out log's last record for the slot took its disc out
    InDrive,    // its disc is in the cabinet's drive
    Flagged,    // the last cataloguing run found something wrong or a disc the catalogue lacks
};

std::string_view SlotStateWord(SlotState state);
// The state as the person reads it, in the language in use.
std::string SlotStateText(const Texts& texts, SlotState state);

struct SlotInfo {
    SlotState state = SlotState::Free;
    std::string title; // the catalogued disc's title
    std::string note;  // the last take-out record, or what the last run found
};

struct SlotMap {
    int machine = 0;
    std::vector<SlotInfo> cells; // slot n at index n - 1
};

// The map of a cabinet's lastSlot slots from the catalogue, Data/Retrieve.log, the last
// cataloguing run of Data/CabinetRun.log and the drive's slot as the changer knows it (ctx's
// DriveSlot for its CurrentMachine).
SlotMap BuildSlotMap(Catalogue& catalogue, const ChangerContext& ctx, int machine, int lastSlot,
                     const std::filesystem::path& dataFolder);

// The slot the add dialog may offer as free: the lowest slot that is free on the map and that the
// last run did not find a disc in. 0 when there is none.
int FreeSlotOf(const SlotMap& map);

} // namespace kavro
