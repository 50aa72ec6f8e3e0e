#pragma once

#include "cddb/TitleOutcome.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kavro {

class Clock;
class Person;
class Texts;
struct CdToc;

// Keeps requests to one service at least a given time apart (MusicBrainz asks for one a
// second). The wait goes through the clock, pending events running between its steps.
class RequestSpacing {
public:
    explicit RequestSpacing(int spacingMs) : m_spacingMs(spacingMs) {}

    // Waits until the spacing since the last request has passed, then counts a request as made.
    void waitTurn(Clock& clock);

private:
    int m_spacingMs;
    std::optional<std::int64_t> m_lastMs;
};

// The MusicBrainz source: the disc id and table of contents go to the web service's disc-id
// lookup (https through Qt Network), whose releases become the result text as CDDB's does; the
// person picks one when several hold the disc. Keep one object for the program's run, so that
// the spacing holds across lookups. Nothing is shown but the wait; the outcome carries the
// message.
class MusicBrainzLookup {
public:
    static constexpr int TimeoutMs = 15'000;
    static constexpr int StepMs = 250;
    static constexpr int SpacingMs = 1'000;

    // baseUrl: "https://musicbrainz.org" or a server of the same interface. The e-mail address
    // goes into the User-Agent, as the service asks of its clients.
    TitleOutcome titles(const CdToc& toc, std::string_view baseUrl, std::string_view email, Person& person,
                        Clock& clock, const Texts& texts);

private:
    RequestSpacing m_spacing{SpacingMs};
};

} // namespace kavro
