#pragma once

#include "cddb/CddbExchange.h"
#include "cddb/TitleOutcome.h"

#include <string>
#include <string_view>

namespace kavro {

class CdTocReader;
class Clock;
class Person;
class Settings;
class Texts;
struct CdToc;

// The CDDB source alone: the server named by hostSetting is asked which disc the table of
// contents is, the person picks one when it lists several, and the entry is read from the same
// server. Nothing is shown; the outcome carries the message.
TitleOutcome CddbTitles(const CdToc& toc, std::string_view hostSetting, std::string_view email, Person& person,
                        Clock& clock, const Texts& texts);

// Titles of the audio disc in a drive, from a CDDB server: the disc is identified by its table
// of contents, the server named by the cddb_host setting is asked which disc that is, and the
// entry is read from that server. The program keeps one object for its whole run: its busy mark
// refuses a lookup started (from an event handler) while another waits for the network.
// DiscTitleLookup does the same with the choice of source; this class stays for its callers.
class CddbLookup {
public:
    enum Result { Found = 0, Failed = -1, Refused = -2 };

    explicit CddbLookup(CdTocReader& tocReader);
    // The second argument once named a fixed server for the read; the read now goes to the
    // server that answered the query, and the argument is not used.
    CddbLookup(CdTocReader& tocReader, const CddbEndpoint& unusedReadServer);

    // Looks up the disc in device (e.g. "/dev/sr0"). Found: resultText() holds the disc title, an
    // empty line and the numbered track titles. Every failure has told the person what there is
    // to tell and leaves the result text empty; Refused leaves everything as it was.
    Result lookUp(const std::string& device, const Settings& settings, Person& person, Clock& clock,
                  const Texts& texts);

    // The text of the last lookup that found the disc, until the next lookup starts.
    const std::string& resultText() const { return m_resultText; }
    void clearResult() { m_resultText.clear(); }

    bool busy() const { return m_busy; }

private:
    Result run(const std::string& device, const Settings& settings, Person& person, Clock& clock,
               const Texts& texts);

    CdTocReader& m_tocReader;
    std::string m_resultText;
    bool m_busy = false;
};

} // namespace kavro
