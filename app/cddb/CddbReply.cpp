#include "cddb/CddbReply.h"

#include "platform/Text.h"

#include <cstdio>
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

std::optional<CddbMatch> CddbFirstMatch(std::string_view body)
{
    std::size_t pos = 0;
    const std::string_view status = nextLine(body, pos);
    if (body.starts_with("200")) {
        const auto fields = splitSpaces(status, 4);
        if (fields.size() < 4)
            return std::nullopt;
        return matchFrom({fields[1], fields[2], fields[3]});
    }
    if (body.starts_with("210") || body.starts_with("211")) {
        if (pos >= body.size())
            return std::nullopt;
        const std::string_view line = nextLine(body, pos);
        if (line == ".")
            return std::nullopt;
        return matchFrom(splitSpaces(line, 3));
    }
    return std::nullopt;
}

std::optional<std::string> CddbEntryText(std::string_view body)
{
    if (!body.starts_with("210"))
        return std::nullopt;
    const std::string entry = CddbTextToUtf8(body);
    const std::string_view text = entry;
    std::string result;
    int track = 1;
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
            // The title heads the text whatever its length; only it is ever cut, and never inside
            // a character.
            result = text::cutUtf8(value, CddbResultTextLimit - HeaderEnd.size());
            result += HeaderEnd;
            track = 1;
        } else if (key.starts_with("TTITLE")) {
            char number[16];
            std::snprintf(number, sizeof number, "%02d. ", track);
            std::string trackLine = number;
            trackLine += value;
            trackLine += "\r\n";
            // A line that does not fit is left out; the numbering still counts it.
            if (result.size() + trackLine.size() <= CddbResultTextLimit)
                result += trackLine;
            ++track;
        }
    }
    return result;
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
