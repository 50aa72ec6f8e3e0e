#pragma once

#include <optional>
#include <string>

namespace kavro {

enum class BoxIcon { None, Information, Warning, Error, Stop, Question };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Yes, No };

// The person at the screen, as the flows below the widgets see them. The Qt program answers
// with real message boxes and dialogs; tests answer from a script and record what was shown.
// Texts are UTF-8 bytes.
class Person {
public:
    virtual ~Person() = default;

    // A message box; returns the button pressed (Ok for a box with only OK). defaultAnswer is the
    // button that Enter presses; without one it is the first (OK or Yes). A question whose OK or
    // Yes destroys something defaults to Cancel or No, so that a stray Enter keeps what would go.
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                                 BoxButtons buttons,
                                 std::optional<BoxAnswer> defaultAnswer = std::nullopt) = 0;

    // A one-line input box; nullopt when the person cancels.
    virtual std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) = 0;

    // An open-file window; nullopt when cancelled. filter is e.g. "Paradox tables (*.DB)".
    virtual std::optional<std::string> chooseFile(const std::string& caption, const std::string& folder,
                                                  const std::string& filter) = 0;

    // Progress of long work: value out of maximum, with a short text. maximum 0 ends it.
    virtual void progress(int value, int maximum, const std::string& text) = 0;

    // The hourglass while long work runs; every begin is matched by an end on every path.
    virtual void beginBusy() {}
    virtual void endBusy() {}
};

// Shows the hourglass for the life of the object.
class BusyCursor {
public:
    explicit BusyCursor(Person& person) : m_person(person) { m_person.beginBusy(); }
    ~BusyCursor() { m_person.endBusy(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    Person& m_person;
};

} // namespace kavro
