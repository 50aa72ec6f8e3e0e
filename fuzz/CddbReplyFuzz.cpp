// A CDDB server's replies over arbitrary bytes, taken the way the lookup takes them: the HTTP
// body, the first match of a query answer, the entry text of a read answer and a refusal.
#include "FuzzScratch.h"

#include "cddb/CddbExchange.h"
#include "cddb/CddbReply.h"
#include "platform/Text.h"

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

using kavro::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const auto http = kavro::CddbHttpBody(reply);
    if (http)
        check(http->data() >= reply.data() && http->data() + http->size() == reply.data() + reply.size(),
              "the body is the end of the reply");
    const std::string_view body = http ? *http : reply;

    if (const auto match = kavro::CddbFirstMatch(body)) {
        check(!match->category.empty() && match->category.size() <= 64, "a category to send back");
        for (const char c : match->category)
            check(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-',
                  "a category is sent back as it is");
        check(kavro::text::isValidUtf8(match->title), "titles are UTF-8");
    }
    if (const auto entry = kavro::CddbEntryText(body)) {
        check(entry->size() <= kavro::CddbResultTextLimit, "the result text fits its box");
        check(kavro::text::isValidUtf8(*entry), "the result text is UTF-8");
    }
    const std::string refusal = kavro::CddbRefusal(body);
    check(refusal.size() <= 200 && kavro::text::isValidUtf8(refusal), "a refusal is one short line");
    check(refusal.find('\n') == std::string::npos, "a refusal is one line");

    // The host setting is outside data too.
    const kavro::CddbEndpoint endpoint = kavro::ParseCddbHost(reply.substr(0, 300));
    check(endpoint.port >= 0 && endpoint.port <= 65535, "a port is a port");
    return 0;
}
