#pragma once

#include "cddb/MusicBrainzLookup.h"

#include <string>
#include <string_view>

namespace kavro {

class CdTocReader;
class Clock;
class Person;
class Settings;
class Texts;
struct CdToc;

// Where audio-disc titles come from (the title_source setting).
enum class TitleSource { MusicBrainz, Cddb, MusicBrainzThenCddb };

// The setting's text read without regard to case; anything else is the default, MusicBrainz
// then CDDB.
TitleSource TitleSourceOf(std::string_view setting);
// The text the setting stores for a source.
std::string_view TitleSourceSetting(TitleSource source);

// Titles of an audio disc from the source the settings choose: MusicBrainz (musicbrainz_url),
// CDDB (cddb_host), or MusicBrainz and then, when it has no answer, CDDB (skipped while no CDDB
// host is set). The result text has one form whatever the source: the disc title, an empty line,
// then "%02d. %s\r\n" per track. The program keeps one object for its whole run: its busy mark
// refuses a lookup started (from an event handler) while another waits, and MusicBrainz's one
// request a second holds across lookups, e.g. those of a cabinet cataloguing run.
class DiscTitleLookup {
public:
    enum Result { Found = 0, Failed = -1, Refused = -2 };

    explicit DiscTitleLookup(CdTocReader& tocReader);

    // Reads the table of contents of the disc in device (e.g. "/dev/sr0") and looks it up.
    // Found: resultText() holds the text. Every failure has told the person what there is to tell
    // (one message box at most) and leaves the result text empty; Refused leaves everything as it
    // was and touches nothing.
    Result lookUp(const std::string& device, const Settings& settings, Person& person, Clock& clock,
                  const Texts& texts);

    // The same for a table of contents read already.
    Result lookUp(const CdToc& toc, const Settings& settings, Person& person, Clock& clock, const Texts& texts);

    // The text of the last lookup that found the disc, until the next lookup starts.
    const std::string& resultText() const { return m_resultText; }
    void clearResult() { m_resultText.clear(); }

    bool busy() const { return m_busy; }

private:
    Result titlesOf(const CdToc& toc, const std::string& email, const Settings& settings, Person& person,
                    Clock& clock, const Texts& texts);

    CdTocReader& m_tocReader;
    MusicBrainzLookup m_musicBrainz;
    std::string m_resultText;
    bool m_busy = false;
};

} // namespace kavro
