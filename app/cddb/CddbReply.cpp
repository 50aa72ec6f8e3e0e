#include "cddb/CddbReply.h"

#include "platform/Text.h"

#include <cstdio>
#include <map>
#include <vector>

namespace kavro {

namespace {

constexpr std::string_view HeaderEnd = "\r\n\r\n";

// The line starting at pos without its line break; pos moves to the next line.
std::string_view nextLine(std::string_view text, std::size_t& pos)
{
    const std::size_t start = pos;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
        end = text.size();
        pos = end;
    } else {
        pos = end + 1;
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::vector<std::string_view> splitSpaces(std::string_view line, std::size_t fields)
{
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (parts.size() + 1 < fields) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        const std::size_t end = line.find(' ', pos);
        if (end == std::string_view::npos)
            break;
        parts.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    parts.push_back(line.substr(pos));
    return parts;
}

// The category goes back to the server inside a form body: only plain names are sent.
bool plainCategory(std::string_view category)
{
    if (category.empty() || category.size() > 64)
        return false;
    for (const char c : category) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

std::optional<CddbMatch> matchFrom(const std::vector<std::string_view>& fields)
{
    if (fields.size() < 3 || !plainCategory(fields[0]))
        return std::nullopt;
    CddbMatch match;
    match.category = std::string(fields[0]);
    match.discId = std::string(fields[1]);
    match.title = CddbTextToUtf8(fields[2]);
    return match;
}

} // namespace

std::optional<std::string_view> CddbHttpBody(std::string_view reply)
{
    if (!reply.starts_with("HTTP"))
        return std::nullopt;
    const std::size_t lineEnd = reply.find("\r\n");
    if (lineEnd == std::string_view::npos || !reply.substr(0, lineEnd).ends_with("OK"))
        return std::nullopt;
    const std::size_t headerEnd = reply.find(HeaderEnd);
    if (headerEnd == std::string_view::npos)
        return std::nullopt;
    return reply.substr(headerEnd + HeaderEnd.size());
}

CddbHttpReply ParseCddbHttp(std::string_view reply)
{
    CddbHttpReply result;
    const std::size_t lineEnd = reply.find("\r\n");
    const std::size_t headerEnd = reply.find(HeaderEnd);
    if (!reply.starts_with("HTTP") || lineEnd == std::string_view::npos || headerEnd == std::string_view::npos)
        return result;
    result.http = true;
    const std::string_view statusLine = reply.substr(0, lineEnd);
    result.statusLine = text::cutUtf8(CddbTextToUtf8(statusLine), 200);
    const std::size_t space = statusLine.find(' ');
    if (space != std::string_view::npos)
        result.status = CddbCode(statusLine.substr(space + 1));
    result.body = reply.substr(headerEnd + HeaderEnd.size());
    return result;
}

int CddbCode(std::string_view body)
{
    if (body.size() < 3)
        return -1;
    int code = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (body[i] < '0' || body[i] > '9')
            return -1;
        code = code * 10 + (body[i] - '0');
    }
    return code;
}

std::vector<CddbMatch> CddbMatches(std::string_view body)
{
    std::vector<CddbMatch> matches;
    std::size_t pos = 0;
    const std::string_view status = nextLine(body, pos);
    if (body.starts_with("200")) {
        const auto fields = splitSpaces(status, 4);
        if (fields.size() == 4) {
            if (auto match = matchFrom({fields[1], fields[2], fields[3]}))
                matches.push_back(std::move(*match));
        }
        return matches;
    }
    if (body.starts_with("210") || body.starts_with("211")) {
        while (pos < body.size()) {
            const std::string_view line = nextLine(body, pos);
            if (line == ".")
                break;
            if (auto match = matchFrom(splitSpaces(line, 3)))
                matches.push_back(std::move(*match));
        }
    }
    return matches;
}

std::optional<CddbMatch> CddbFirstMatch(std::string_view body)
{
    std::size_t pos = 0;
    nextLine(body, pos);
    // The first listed line decides: an unusable first match is not passed over.
    if ((body.starts_with("210") || body.starts_with("211")) && pos < body.size()) {
        const std::string_view line = nextLine(body, pos);
        if (line == ".")
            return std::nullopt;
        return matchFrom(splitSpaces(line, 3));
    }
    auto matches = CddbMatches(body);
    if (matches.empty())
        return std::nullopt;
    return std::move(matches.front());
}

std::string DiscTitleText(std::string_view discTitle, const std::vector<std::string>& trackTitles)
{
    // The title heads the text whatever its length; only it is ever cut, and never inside a
    // character.
    std::string result = text::cutUtf8(discTitle, CddbResultTextLimit - HeaderEnd.size());
    result += HeaderEnd;
    int track = 1;
    for (const std::string& title : trackTitles) {
        char number[16];
        std::snprintf(number, sizeof number, "%02d. ", track);
        std::string trackLine = number;
        trackLine += title;
        trackLine += "\r\n";
        // A line that does not fit is left out; the numbering still counts it.
        if (result.size() + trackLine.size() <= CddbResultTextLimit)
            result += trackLine;
        ++track;
    }
    return result;
}

namespace {

// The xmcd escapes of a value; the result text is one line per title, so line breaks and tabs
// become spaces.
std::string unescape(std::string_view value)
{
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            if (next == 'n' || next == 't') {
                out += ' ';
                ++i;
                continue;
            }
            if (next == '\\') {
                out += '\\';
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

} // namespace

std::optional<std::string> CddbEntryText(std::string_view body)
{
    if (!body.starts_with("210"))
        return std::nullopt;
    const std::string entry = CddbTextToUtf8(body);
    const std::string_view text = entry;
    std::string discTitle;
    std::vector<std::string> tracks;
    std::map<std::string_view, std::size_t> trackOfKey;
    std::size_t pos = 0;
    nextLine(text, pos); // status line
    while (pos < text.size()) {
        const std::string_view line = nextLine(text, pos);
        if (line == ".")
            break; // end of the entry
        if (line.starts_with("#"))
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key == "DTITLE") {
            discTitle += value;
        } else if (key.starts_with("TTITLE")) {
            // Numbered by first appearance; a key seen before continues its title.
            const auto [it, added] = trackOfKey.try_emplace(key, tracks.size());
            if (added)
                tracks.emplace_back();
            tracks[it->second] += value;
        }
    }
    if (discTitle.empty() && tracks.empty())
        return std::string();
    for (std::string& title : tracks)
        title = unescape(title);
    return DiscTitleText(unescape(discTitle), tracks);
}

std::string CddbRefusal(std::string_view body)
{
    std::size_t pos = 0;
    const std::string_view status = nextLine(body, pos);
    const bool coded = status.size() >= 3 && (status[0] == '4' || status[0] == '5') && status[1] >= '0' &&
                       status[1] <= '9' && status[2] >= '0' && status[2] <= '9';
    if (!coded)
        return {};
    return text::cutUtf8(CddbTextToUtf8(status), 200);
}

std::string CddbTextToUtf8(std::string_view bytes)
{
    if (text::isValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

} // namespace kavro
