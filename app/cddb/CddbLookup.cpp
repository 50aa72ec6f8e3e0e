#include "cddb/CddbLookup.h"

#include "cddb/CddbDiscId.h"
#include "cddb/CddbReply.h"
#include "cddb/CddbRequest.h"
#include "platform/CdToc.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Texts.h"
#include "shell/SettingsKeys.h"

#include <utility>

namespace kavro {

namespace {

std::string caption(const Texts& texts)
{
    return texts.text("0000", "KAVRO 5.1");
}

// Holds the busy mark for the life of the object, so that every ending clears it.
class BusyMark {
public:
    explicit BusyMark(bool& mark) : m_mark(mark) { m_mark = true; }
    ~BusyMark() { m_mark = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& m_mark;
};

std::optional<std::string> exchange(const CddbEndpoint& server, const std::string& body, Clock& clock)
{
    return CddbExchange(server, CddbRequestHeader(body.size()), body, clock);
}

} // namespace

CddbLookup::CddbLookup(CdTocReader& tocReader, CddbEndpoint readServer)
    : m_tocReader(tocReader), m_readServer(std::move(readServer))
{
}

CddbLookup::Result CddbLookup::lookUp(const std::string& device, const Settings& settings, Person& person,
                                      Clock& clock, const Texts& texts)
{
    if (m_busy)
        return Refused;
    m_resultText.clear();
    // Marked busy before the drive is touched: waiting for a drive to close its tray already lets
    // events run.
    BusyMark mark(m_busy);
    const Result result = run(device, settings, person, clock, texts);
    if (result != Found)
        m_resultText.clear();
    return result;
}

CddbLookup::Result CddbLookup::run(const std::string& device, const Settings& settings, Person& person,
                                   Clock& clock, const Texts& texts)
{
    const std::string email = keys::read(settings, keys::EMail);
    const std::string host = keys::read(settings, keys::CddbHost);
    // The address is only checked, never sent.
    if (email.find('@') == std::string::npos) {
        person.messageBox(texts.text("1024", "請檢查您的e-Mail是否正確"), caption(texts), BoxIcon::Warning,
                          BoxButtons::Ok);
        return Failed;
    }

    BusyCursor hourglass(person);
    const CdTocResult toc = m_tocReader.read(device, clock);
    if (!toc) {
        person.messageBox("errorcode=" + std::to_string(toc.error.code) + "\n\r" + toc.error.text,
                          caption(texts), BoxIcon::Information, BoxButtons::Ok);
        return Failed;
    }
    const std::uint32_t discId = CddbDiscId(*toc.toc);

    const auto queryReply = exchange(ParseCddbHost(host), CddbQueryBody(*toc.toc, discId), clock);
    if (!queryReply)
        return Failed;
    const auto queryBody = CddbHttpBody(*queryReply);
    if (!queryBody)
        return Failed;
    const auto match = CddbFirstMatch(*queryBody);
    if (!match)
        return notFound(host, CddbRefusal(*queryBody), person, texts);

    // The entry is read under the identifier of this disc, whatever the server matched it with.
    const auto readReply = exchange(m_readServer, CddbReadBody(match->category, discId), clock);
    const auto readBody = readReply ? CddbHttpBody(*readReply) : std::nullopt;
    const auto entry = readBody ? CddbEntryText(*readBody) : std::nullopt;
    if (!entry)
        return notFound(host, readBody ? CddbRefusal(*readBody) : std::string(), person, texts);
    m_resultText = *entry;
    return Found;
}

CddbLookup::Result CddbLookup::notFound(const std::string& host, const std::string& refusal, Person& person,
                                        const Texts& texts)
{
    m_resultText.clear();
    std::string message = host + texts.text("1014", "網站查無此光碟資料?");
    if (!refusal.empty())
        message += "\n" + refusal;
    person.messageBox(message, caption(texts), BoxIcon::Question, BoxButtons::Ok);
    return Failed;
}

} // namespace kavro
