#pragma once

#include "platform/CdToc.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The two CDDB commands, sent as HTTP POST bodies, and the header that goes before each.
namespace kavro {

// Who is asking: user, host, client name and version, and the protocol level.
inline constexpr std::string_view CddbGreeting = "&hello=test+kavro.localdomain+Pelmo+2.0.3.0&proto=5";

// "cmd=cddb+query+<id>+<tracks>+<offset>...+<seconds>" and the greeting.
std::string CddbQueryBody(const CdToc& toc, std::uint32_t discId);

// "cmd=cddb+read+<category>+<id>" and the greeting.
std::string CddbReadBody(std::string_view category, std::uint32_t discId);

std::string CddbRequestHeader(std::size_t bodyLength);

} // namespace kavro
