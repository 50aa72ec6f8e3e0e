#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reading the server's replies.
namespace kavro {

// The result text holds at most this many bytes.
inline constexpr std::size_t CddbResultTextLimit = 999;

// The body of a reply that begins with "HTTP", whose first line ends in "OK" and whose headers
// end with an empty line; nullopt for anything else.
std::optional<std::string_view> CddbHttpBody(std::string_view reply);

// One disc the server knows.
struct CddbMatch {
    std::string category;
    std::string discId;
    std::string title;
};

// The match of a query answer: the one of "200", the first listed after "210" or "211". nullopt
// when the answer names no usable disc (no match, an error code, an empty list, a category that
// cannot be sent back safely).
std::optional<CddbMatch> CddbFirstMatch(std::string_view body);

// The entry of a read answer (first line "210") as the result text: the disc title and an empty
// line, then "%02d. %s\r\n" per track title. A later DTITLE starts the text again. nullopt when
// the answer is not an entry.
std::optional<std::string> CddbEntryText(std::string_view body);

// The status line of an answer in which the server refuses the request (a 4xx or 5xx code), so
// that the person can see why; empty for any other answer.
std::string CddbRefusal(std::string_view body);

// Server text as UTF-8: kept when it is UTF-8 already, else read as Latin-1.
std::string CddbTextToUtf8(std::string_view bytes);

} // namespace kavro
