#include "cddb/CddbRequest.h"

#include "cddb/CddbDiscId.h"

#include <cstdio>

namespace kavro {

namespace {

std::string hex(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value));
    return buffer;
}

} // namespace

std::string CddbQueryBody(const CdToc& toc, std::uint32_t discId)
{
    std::string body = "cmd=cddb+query+" + hex(discId) + "+" + std::to_string(toc.trackStarts.size());
    for (const int start : toc.trackStarts)
        body += "+" + std::to_string(start);
    body += "+" + std::to_string(CddbDiscSeconds(toc));
    body += CddbGreeting;
    return body;
}

std::string CddbReadBody(std::string_view category, std::uint32_t discId)
{
    std::string body = "cmd=cddb+read+";
    body += category;
    body += "+" + hex(discId);
    body += CddbGreeting;
    return body;
}

std::string CddbRequestHeader(std::size_t bodyLength)
{
    return "POST /~cddb/cddb.cgi HTTP/1.0\r\nUser-Agent: Mozilla/3.0 (compatible)\r\nContent-Length: " +
           std::to_string(bodyLength) + "\r\n\r\n";
}

} // namespace kavro
