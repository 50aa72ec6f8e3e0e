#pragma once

#include "cddb/CddbExchange.h"

#include <string>

namespace kavro {

class CdTocReader;
class Clock;
class Person;
class Settings;
class Texts;

// Titles of the audio disc in a drive, from a CDDB server: the disc is identified by its table
// of contents, the server named by the cddb_host setting is asked which disc that is, and the
// entry is read from the default server. The program keeps one object for its whole run: its
// busy mark refuses a lookup started (from an event handler) while another waits for the network.
class CddbLookup {
public:
    enum Result { Found = 0, Failed = -1, Refused = -2 };

    // The server that answers the read request.
    static CddbEndpoint defaultServer() { return {"gnudb.gnudb.org", 80}; }

    explicit CddbLookup(CdTocReader& tocReader, CddbEndpoint readServer = defaultServer());

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
    Result notFound(const std::string& host, const std::string& refusal, Person& person, const Texts& texts);

    CdTocReader& m_tocReader;
    CddbEndpoint m_readServer;
    std::string m_resultText;
    bool m_busy = false;
};

} // namespace kavro
