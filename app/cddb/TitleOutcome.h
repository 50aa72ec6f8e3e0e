#pragma once

#include "platform/CdToc.h"
#include "platform/Person.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kavro {

class Texts;
class Clock;

// What one source of disc titles made of a disc, before anything is shown: the result text, or
// the message that says why there is none.
struct TitleOutcome {
    enum Kind {
        Found,     // text holds the result text
        NotFound,  // the source answered and does not know the disc; message says so
        Failed,    // the source could not be asked or its answer not read; message says why
        Cancelled, // the person cancelled the choice among several discs: nothing more to say
    };
    Kind kind = Failed;
    std::string text;
    std::string message;

    static TitleOutcome found(std::string text) { return {Found, std::move(text), {}}; }
    static TitleOutcome notFound(std::string message) { return {NotFound, {}, std::move(message)}; }
    static TitleOutcome failed(std::string message) { return {Failed, {}, std::move(message)}; }
    static TitleOutcome cancelled() { return {Cancelled, {}, {}}; }
};

// The caption of the lookup's message boxes.
std::string TitleLookupCaption(const Texts& texts);

// Shows the message of an outcome that has one: a question-style box for a disc not found (as
// the CDDB lookup always did), a warning for a failure.
void TellOutcome(const TitleOutcome& outcome, Person& person, const Texts& texts);

// When a source offers several discs, the person picks one: a numbered list in an input box,
// "1" offered. nullopt when the person cancels; a single choice is taken without asking.
std::optional<std::size_t> ChooseDisc(const std::vector<std::string>& labels, Person& person,
                                      const Texts& texts);

// Holds a busy mark for the life of the object, so that every ending of a lookup clears it.
class BusyMark {
public:
    explicit BusyMark(bool& mark) : m_mark(mark) { m_mark = true; }
    ~BusyMark() { m_mark = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& m_mark;
};

// The e-mail setting must hold an "@" before any lookup: the greeting and the User-Agent carry
// it. False after the warning has been shown.
bool CheckLookupEmail(const std::string& email, Person& person, const Texts& texts);

// Reads the table of contents of the disc in device; nullopt after the media error has been
// shown ("errorcode=%d\n\r" and the system's text).
std::optional<CdToc> ReadLookupToc(CdTocReader& reader, const std::string& device, Person& person,
                                   Clock& clock, const Texts& texts);

} // namespace kavro
