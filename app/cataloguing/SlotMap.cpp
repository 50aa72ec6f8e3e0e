#include "cataloguing/SlotMap.h"

#include "cataloguing/RunLog.h"
#include "catalogue/database/Query.h"
#include "catalogue/records/Catalogue.h"
#include "changer/ChangerContext.h"
#include "changer/RetrieveLog.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <charconv>
#include <fstream>

namespace kavro {

namespace {

// The outcomes of the last run over this machine, slot by slot (the log only grows; a later run
// says more than an earlier one).
std::vector<SlotResult> lastRunOutcomes(const std::filesystem::path& file, int machine)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<SlotResult> outcomes;
    bool ours = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("run ", 0) == 0) {
            ours = line.find(" machine=" + std::to_string(machine) + " ") != std::string::npos;
            if (ours)
                outcomes.clear();
        } else if (ours) {
            if (auto result = ParseSlotLine(line))
                outcomes.push_back(std::move(*result));
        }
    }
    return outcomes;
}

} // namespace

std::string_view SlotStateWord(SlotState state)
{
    switch (state) {
    case SlotState::Free:
        return "free";
    case SlotState::Catalogued:
        return "catalogued";
    case SlotState::TakenOut:
        return "taken out";
    case SlotState::InDrive:
        return "in the drive";
    case SlotState::Flagged:
        return "flagged";
    }
    return "free";
}

std::string SlotStateText(const Texts& texts, SlotState state)
{
    return texts.text(std::to_string(5261 + static_cast<int>(state)), SlotStateWord(state));
}

SlotMap BuildSlotMap(Catalogue& catalogue, const ChangerContext& ctx, int machine, int lastSlot,
                     const std::filesystem::path& dataFolder)
{
    SlotMap map;
    map.machine = machine;
    map.cells.resize(static_cast<std::size_t>(std::max(0, lastSlot)));
    auto at = [&](int slot) -> SlotInfo* {
        return slot >= 1 && slot <= lastSlot ? &map.cells[static_cast<std::size_t>(slot - 1)] : nullptr;
    };

    Query q(catalogue.database());
    q.setSql("SELECT Slot, TitleA FROM KAVRO WHERE MachineNo=:M");
    q.setParam("M", DbValue(machine));
    if (q.open()) {
        for (q.first(); !q.eof(); q.next()) {
            if (SlotInfo* info = at(q.field(0).asInt())) {
                info->state = SlotState::Catalogued;
                info->title = text::trimBlanks(q.field(1).asText());
            }
        }
        q.close();
    }

    // The last take-out record of each slot: a disc taken out is not in its slot.
    const std::string name = ctx.machines.MachineName(machine);
    // The log keeps the word of the language the take-out was made in: a record made before the
    // language was switched counts as well (the shipped languages' words, and the one in use).
    const std::string takeOutWord = ctx.text("3606", "取出");
    auto tookOut = [&](const std::string& access) {
        return access == takeOutWord || access == "取出" || access == "Take Out";
    };
    for (const RetrieveLogRow& row : ReadRetrieveLog(dataFolder / "Retrieve.log")) {
        if (row.machineName != name)
            continue;
        int slot = 0;
        std::from_chars(row.slot.data(), row.slot.data() + row.slot.size(), slot);
        if (SlotInfo* info = at(slot)) {
            const bool out = tookOut(row.access);
            if (out)
                info->state = SlotState::TakenOut;
            else if (info->state == SlotState::TakenOut)
                info->state = info->title.empty() ? SlotState::Free : SlotState::Catalogued;
            info->note = row.access + " " + row.dateTime + (row.reason.empty() ? "" : ": " + row.reason);
        }
    }

    for (const SlotResult& r : lastRunOutcomes(dataFolder / "CabinetRun.log", machine)) {
        SlotInfo* info = at(r.slot);
        if (info == nullptr)
            continue;
        // An empty slot is wrong only where the catalogue has a disc: that disc is missing.
        const bool missing = r.outcome == SlotOutcome::Empty && info->state == SlotState::Catalogued;
        const bool wrong = r.outcome == SlotOutcome::DifferentDisc || r.outcome == SlotOutcome::Unreadable ||
                           r.outcome == SlotOutcome::Failed || r.outcome == SlotOutcome::NotCatalogued || missing;
        if (wrong && info->state != SlotState::TakenOut) {
            info->state = SlotState::Flagged;
            info->note = std::string(OutcomeWord(r.outcome)) + (r.reason.empty() ? "" : ": " + r.reason);
        }
    }

    if (ctx.CurrentMachine == machine && ctx.DriveSlot > 0)
        if (SlotInfo* info = at(ctx.DriveSlot))
            info->state = SlotState::InDrive;
    return map;
}

int FreeSlotOf(const SlotMap& map)
{
    for (std::size_t i = 0; i < map.cells.size(); ++i)
        if (map.cells[i].state == SlotState::Free)
            return static_cast<int>(i) + 1;
    return 0;
}

} // namespace kavro
