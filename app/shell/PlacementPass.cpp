#include "shell/PlacementPass.h"

#include "platform/Clock.h"
#include "shell/LanguageTable.h"
#include "shell/PlacementTable.h"
#include "shell/ProgramLog.h"

#include <array>
#include <utility>

namespace kavro {

namespace {

struct ClassEffect {
    std::string_view className;
    PlacementEffect effect;
};

// clang-format off
constexpr std::array classEffects{
    //                                        caption hint  charset ellipsis
    ClassEffect{"TTabSheet",      PlacementEffect{true,  true,  true,  false}},
    ClassEffect{"TLabel",         PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TStaticText",    PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TButton",        PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TSpeedButton",   PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TMenuItem",      PlacementEffect{true,  false, false, false}},
    ClassEffect{"TBitBtn",        PlacementEffect{true,  true,  true,  true}},
    ClassEffect{"TToolButton",    PlacementEffect{true,  false, false, false}},
    ClassEffect{"TPanel",         PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TGroupBox",      PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TCheckBox",      PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TRadioButton",   PlacementEffect{true,  false, true,  false}},
    ClassEffect{"TTBItem",        PlacementEffect{true,  true,  false, false}},
    ClassEffect{"TTBSubmenuItem", PlacementEffect{true,  true,  false, false}},
    ClassEffect{"TListView",      PlacementEffect{false, true,  true,  false}},
    ClassEffect{"TEdit",          PlacementEffect{false, true,  true,  false}},
    ClassEffect{"TMemo",          PlacementEffect{false, false, true,  false}},
    ClassEffect{"TRichEdit",      PlacementEffect{false, false, true,  false}},
    ClassEffect{"TTntPanel",      PlacementEffect{true,  false, false, false}},
    ClassEffect{"TTntMenuItem",   PlacementEffect{true,  false, false, false}},
    ClassEffect{"TTntButton",     PlacementEffect{true,  false, false, false}},
    ClassEffect{"TTntLabel",      PlacementEffect{true,  false, false, false}},
    ClassEffect{"TTreeView",      PlacementEffect{false, false, false, false}},
};
// clang-format on

std::string concat(std::initializer_list<std::string_view> parts)
{
    std::string out;
    for (const auto part : parts)
        out += part;
    return out;
}

} // namespace

std::optional<PlacementEffect> placementEffect(std::string_view className)
{
    for (const auto& entry : classEffects)
        if (entry.className == className)
            return entry.effect;
    return std::nullopt;
}

int placeTexts(PlacementTarget& window, const LanguageTable& table, const ProgramLog& log, Clock& clock)
{
    const std::string windowName = window.windowName();
    int placed = 0;
    for (const PlacementRow& row : placementTable()) {
        if (row.key.empty() || row.window != windowName)
            continue;
        const auto text = table.find(row.key);
        if (!text)
            continue;
        if (row.control == windowName) {
            window.setWindowCaption(*text);
            ++placed;
        } else if (const auto className = window.controlClass(row.control); !className) {
            if (!row.control.empty())
                log.append(concat({"Not found ", row.control, " in form <", windowName, ">\r\n"}));
        } else if (const auto effect = placementEffect(*className); !effect) {
            log.append(concat({"Not access (", row.className, ") ", windowName, "->", row.control, "\r\n"}));
        } else {
            if (effect->caption && !(effect->keepEllipsis && window.caption(row.control) == "..."))
                window.setCaption(row.control, *text);
            if (effect->hint)
                window.setHint(row.control, *text);
            if (effect->defaultCharset)
                window.setDefaultCharset(row.control);
            ++placed;
        }
        clock.processEvents();
    }
    return placed;
}

} // namespace kavro
