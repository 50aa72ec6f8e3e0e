#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

class Clock;
class LanguageTable;
class ProgramLog;

// What a placed text does to a control, by the control's class.
struct PlacementEffect {
    bool caption = false;        // the caption becomes the text
    bool hint = false;           // the hint becomes the text
    bool defaultCharset = false; // the font's character set becomes the system default set
    bool keepEllipsis = false;   // a caption reading "..." is kept (the hint is still set)
};

// The effect for a designed class name ("TLabel", "TBitBtn", "TTntPanel", ...). nullopt for a
// class the placement does not handle; TTreeView is handled and changes nothing.
std::optional<PlacementEffect> placementEffect(std::string_view className);

// A window as the placement pass sees it. The widget layer implements it over a real window
// whose controls carry their designed names and classes.
class PlacementTarget {
public:
    virtual ~PlacementTarget() = default;

    // The designed window name ("MainForm", "frmSetup", ...).
    virtual std::string windowName() const = 0;

    // Caption of the window itself; the window then also takes the main window's font with the
    // system default character set.
    virtual void setWindowCaption(const std::string& text) = 0;

    // Designed class of the named control; nullopt when the window has no such control.
    virtual std::optional<std::string> controlClass(std::string_view control) const = 0;

    virtual std::string caption(std::string_view control) const = 0;
    virtual void setCaption(std::string_view control, const std::string& text) = 0;
    virtual void setHint(std::string_view control, const std::string& text) = 0;
    virtual void setDefaultCharset(std::string_view control) = 0;
};

// Gives the window's controls their texts from the language table, walking the placement table
// in order. Rows whose key has no entry leave the control as designed. A missing control is
// noted as "Not found %s in form <%s>\r\n", a control of an unhandled class as
// "Not access (%s) %s->%s\r\n". Pending events run after each row, so a large window stays
// responsive while it is labelled. Returns the number of rows whose text was applied.
int placeTexts(PlacementTarget& window, const LanguageTable& table, const ProgramLog& log, Clock& clock);

} // namespace kavro
