#include "cddb/CddbRequest.h"

#include "cddb/CddbDiscId.h"

#include <cstdio>

#ifndef KAVRO_VERSION
#error "KAVRO_VERSION is given by the build"
#endif

namespace kavro {

namespace {

std::string hex(std::uint32_t value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(value));
    return buffer;
}

// One field of the greeting: letters, digits and ". _ -" as they are, every other byte as %XX, so
// that the field can hold neither a field separator nor a form separator.
std::string formField(std::string_view value)
{
    std::string out;
    for (const char c : value) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                           b == '.' || b == '_' || b == '-';
        if (plain) {
            out += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", b);
            out += escaped;
        }
    }
    return out;
}

} // namespace

std::string_view KavroVersion()
{
    return KAVRO_VERSION;
}

std::string CddbGreeting(std::string_view email)
{
    const std::size_t at = email.find('@');
    const std::string_view user = email.substr(0, at);
    const std::string_view host = at == std::string_view::npos ? std::string_view() : email.substr(at + 1);
    return "&hello=" + formField(user) + "+" + formField(host) + "+Kavro+" + formField(KavroVersion()) +
           "&proto=6";
}

std::string CddbQueryBody(const CdToc& toc, std::uint32_t discId, std::string_view greeting)
{
    std::string body = "cmd=cddb+query+" + hex(discId) + "+" + std::to_string(toc.trackStarts.size());
    for (const int start : toc.trackStarts)
        body += "+" + std::to_string(start);
    body += "+" + std::to_string(CddbDiscSeconds(toc));
    body += greeting;
    return body;
}

std::string CddbReadBody(std::string_view category, std::uint32_t discId, std::string_view greeting)
{
    std::string body = "cmd=cddb+read+";
    body += category;
    body += "+" + hex(discId);
    body += greeting;
    return body;
}

std::string CddbRequestHeader(const CddbEndpoint& server, std::size_t bodyLength)
{
    std::string host = server.host.find(':') != std::string::npos ? "[" + server.host + "]" : server.host;
    if (server.port != 80)
        host += ":" + std::to_string(server.port);
    std::string header = "POST ";
    header += CddbPath;
    header += " HTTP/1.0\r\nHost: " + host + "\r\nUser-Agent: Kavro/";
    header += KavroVersion();
    header += "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
              std::to_string(bodyLength) + "\r\n\r\n";
    return header;
}

} // namespace kavro
