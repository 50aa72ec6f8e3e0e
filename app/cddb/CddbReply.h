#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading the server's replies.
namespace kavro {

// The result text holds at most this many bytes.
inline constexpr std::size_t CddbResultTextLimit = 999;

// The body of a reply that begins with "HTTP", whose first line ends in "OK" and whose headers
// end with an empty line; nullopt for anything else.
std::optional<std::string_view> CddbHttpBody(std::string_view reply);

// A reply as HTTP: the status code and line, and the body after the headers. http is false when
// the reply does not begin with "HTTP" or its headers never end.
struct CddbHttpReply {
    bool http = false;
    int status = 0;
    std::string statusLine; // "HTTP/1.0 403 Forbidden", as UTF-8, at most 200 bytes
    std::string_view body;
};
CddbHttpReply ParseCddbHttp(std::string_view reply);

// The three-digit code at the start of a CDDB answer; -1 when there is none.
int CddbCode(std::string_view body);

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

// Every usable match of a query answer: the one of "200", all listed after "210" or "211" up to
// the closing ".". Empty when there is none.
std::vector<CddbMatch> CddbMatches(std::string_view body);

// The result text of a disc: its title and an empty line, then "%02d. %s\r\n" per track title,
// within CddbResultTextLimit bytes (the title is cut when it alone would not fit, never inside a
// character; a track line that does not fit is left out, its number still counted).
std::string DiscTitleText(std::string_view discTitle, const std::vector<std::string>& trackTitles);

// The entry of a read answer (first line "210") as the result text (DiscTitleText). A value too
// long for one line comes on several lines of the same key, which are joined: every DTITLE line
// adds to the disc title, and TTITLEn lines of one n make one track title. The escapes \n, \t
// and \\ of the values become a space, a space and a backslash. nullopt when the answer is not
// an entry.
std::optional<std::string> CddbEntryText(std::string_view body);

// The status line of an answer in which the server refuses the request (a 4xx or 5xx code), so
// that the person can see why; empty for any other answer.
std::string CddbRefusal(std::string_view body);

// Server text as UTF-8: kept when it is UTF-8 already, else read as Latin-1.
std::string CddbTextToUtf8(std::string_view bytes);

} // namespace kavro
