#pragma once

#include "cddb/CddbExchange.h"
#include "platform/CdToc.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The two CDDB commands, sent as HTTP POST bodies, and the header that goes before each.
namespace kavro {

// This program's version as its greeting and User-Agent give it ("5.1.1023").
std::string_view KavroVersion();

// Where the servers of today take the commands.
inline constexpr std::string_view CddbPath = "/~cddb/cddb.cgi";

// Who is asking and at which protocol level: "&hello=<user>+<host>+Kavro+<version>&proto=6", user
// and host being the two halves of the person's e-mail address, form-encoded. Level 6 answers in
// UTF-8.
std::string CddbGreeting(std::string_view email);

// "cmd=cddb+query+<id>+<tracks>+<offset>...+<seconds>" and the greeting.
std::string CddbQueryBody(const CdToc& toc, std::uint32_t discId, std::string_view greeting);

// "cmd=cddb+read+<category>+<id>" and the greeting.
std::string CddbReadBody(std::string_view category, std::uint32_t discId, std::string_view greeting);

// HTTP/1.0 POST to CddbPath with the Host, User-Agent, Content-Type (form) and Content-Length
// headers; the host carries its port when it is not 80.
std::string CddbRequestHeader(const CddbEndpoint& server, std::size_t bodyLength);

} // namespace kavro
