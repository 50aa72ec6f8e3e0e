#include "cddb/CddbLookup.h"

#include "cddb/CddbDiscId.h"
#include "cddb/CddbReply.h"
#include "cddb/CddbRequest.h"
#include "platform/CdToc.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"
#include "shell/SettingsKeys.h"

namespace kavro {

namespace {

// One request to the server; a failure of the exchange or of HTTP comes back as the message.
struct CddbAnswer {
    std::string reply;           // the whole reply, owning the bytes of body
    std::string_view body;       // the CDDB answer
    std::optional<TitleOutcome> failure;
};

CddbAnswer ask(const CddbEndpoint& server, const std::string& host, const std::string& body, Clock& clock,
               const Texts& texts)
{
    CddbAnswer answer;
    CddbExchangeResult exchanged = CddbExchange(server, CddbRequestHeader(server, body.size()), body, clock);
    switch (exchanged.error) {
    case CddbNetError::None:
        break;
    case CddbNetError::NoHost:
        answer.failure = TitleOutcome::failed(
            texts.text("1070", "尚未設定CDDB伺服器，請在系統設定中選擇一個（例如 gnudb.gnudb.org）"));
        return answer;
    case CddbNetError::TimedOut:
        answer.failure = TitleOutcome::failed(host + texts.text("1072", "：等候回應逾時"));
        return answer;
    case CddbNetError::Unresolved:
    case CddbNetError::Refused:
    case CddbNetError::NoReply:
        answer.failure = TitleOutcome::failed(texts.text("1071", "無法連線到 ") + host);
        return answer;
    }
    answer.reply = std::move(exchanged.reply);
    const CddbHttpReply http = ParseCddbHttp(answer.reply);
    if (!http.http) {
        answer.failure = TitleOutcome::failed(host + texts.text("1077", "：回應無法讀取"));
    } else if (http.status != 200) {
        answer.failure = TitleOutcome::failed(host + texts.text("1073", "：網站回應錯誤：") + http.statusLine);
    } else {
        answer.body = http.body;
    }
    return answer;
}

TitleOutcome notFound(const std::string& host, const Texts& texts)
{
    return TitleOutcome::notFound(host + texts.text("1014", "網站查無此光碟資料?"));
}

// An answer that is neither the one hoped for nor "not found": a server refusing the request
// says why in its status line.
TitleOutcome unexpected(std::string_view body, const std::string& host, const Texts& texts)
{
    const std::string refusal = CddbRefusal(body);
    if (refusal.empty())
        return notFound(host, texts);
    return TitleOutcome::failed(host + texts.text("1074", "：伺服器拒絕了查詢：") + refusal);
}

} // namespace

TitleOutcome CddbTitles(const CdToc& toc, std::string_view hostSetting, std::string_view email, Person& person,
                        Clock& clock, const Texts& texts)
{
    const std::string host = text::trimBlanks(hostSetting);
    const CddbEndpoint server = ParseCddbHost(host);
    const std::uint32_t discId = CddbDiscId(toc);
    const std::string greeting = CddbGreeting(email);

    const CddbAnswer query = ask(server, host, CddbQueryBody(toc, discId, greeting), clock, texts);
    if (query.failure)
        return *query.failure;
    const int code = CddbCode(query.body);
    if (code != 200 && code != 210 && code != 211)
        return code == 202 ? notFound(host, texts) : unexpected(query.body, host, texts);
    const std::vector<CddbMatch> matches = CddbMatches(query.body);
    if (matches.empty())
        return notFound(host, texts);
    std::vector<std::string> labels;
    for (const CddbMatch& match : matches)
        labels.push_back(match.category + ": " + match.title);
    const auto chosen = ChooseDisc(labels, person, texts);
    if (!chosen)
        return TitleOutcome::cancelled();

    // The entry is read from the server that found it, under the identifier of this disc,
    // whatever the server matched it with.
    const CddbAnswer read =
        ask(server, host, CddbReadBody(matches[*chosen].category, discId, greeting), clock, texts);
    if (read.failure)
        return *read.failure;
    if (const auto entry = CddbEntryText(read.body))
        return TitleOutcome::found(*entry);
    // 401: no such entry.
    return CddbCode(read.body) == 401 ? notFound(host, texts) : unexpected(read.body, host, texts);
}

CddbLookup::CddbLookup(CdTocReader& tocReader) : m_tocReader(tocReader) {}

CddbLookup::CddbLookup(CdTocReader& tocReader, const CddbEndpoint&) : m_tocReader(tocReader) {}

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
    if (!CheckLookupEmail(email, person, texts))
        return Failed;

    BusyCursor hourglass(person);
    const auto toc = ReadLookupToc(m_tocReader, device, person, clock, texts);
    if (!toc)
        return Failed;
    const TitleOutcome outcome = CddbTitles(*toc, keys::read(settings, keys::CddbHost), email, person, clock, texts);
    TellOutcome(outcome, person, texts);
    if (outcome.kind != TitleOutcome::Found)
        return Failed;
    m_resultText = outcome.text;
    return Found;
}

} // namespace kavro
