#include "shell/LanguageTable.h"

#include "platform/Text.h"
#include "shell/FileIo.h"

namespace kavro {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isComment(std::string_view line)
{
    if (line.empty())
        return false;
    const char c = line.front();
    return c == ';' || c == '#' || c == '[' || line.starts_with("//") || line.starts_with("/*");
}

} // namespace

bool LanguageTable::load(const std::filesystem::path& file)
{
    const auto bytes = readWholeFile(file);
    if (!bytes || bytes->empty())
        return false;
    // Each line is decoded on its own, so one stray byte garbles only its own line. Line ends
    // never occur inside a Big5 character (its second byte is 0x40 or above), so splitting the
    // bytes first takes no character apart.
    std::string decoded;
    decoded.reserve(bytes->size());
    std::string_view rest = *bytes;
    while (!rest.empty()) {
        auto end = rest.find_first_of("\r\n");
        if (end == std::string_view::npos)
            end = rest.size();
        decoded += text::decodeLegacy(rest.substr(0, end));
        const auto next = rest.find_first_not_of("\r\n", end);
        decoded += '\n';
        rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
    }
    loadText(decoded);
    return true;
}

void LanguageTable::loadText(std::string_view text)
{
    m_entries.clear();
    if (text.starts_with(byteOrderMark))
        text.remove_prefix(byteOrderMark.size());
    std::size_t pos = 0;
    while (pos < text.size() && m_entries.size() < maxEntries) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        const auto first = line.find_first_not_of(' ');
        if (first == std::string_view::npos)
            continue;
        line.remove_prefix(first);
        if (isComment(line))
            continue;
        const auto lastNonSpace = line.find_last_not_of(' ');
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || eq >= lastNonSpace)
            continue;
        m_entries.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
}

std::optional<std::string> LanguageTable::find(std::string_view key) const
{
    for (const auto& [entryKey, entryText] : m_entries)
        if (entryKey == key)
            return entryText;
    return std::nullopt;
}

std::string LanguageTable::text(std::string_view key, std::string_view defaultText) const
{
    if (auto found = find(key))
        return std::move(*found);
    return std::string(defaultText);
}

std::string LanguageTable::displayName(const std::filesystem::path& file)
{
    // Enough bytes for 99 of the first line in any encoding.
    constexpr std::size_t headBytes = 400;
    const auto head = readFileHead(file, headBytes);
    if (!head)
        return {};
    std::string_view line = *head;
    if (line.starts_with(byteOrderMark))
        line.remove_prefix(byteOrderMark.size());
    const auto end = line.find_first_of("\r\n");
    if (end != std::string_view::npos) {
        line = line.substr(0, end);
    } else if (head->size() == headBytes && !text::isValidUtf8(line)) {
        // The read may have cut the last UTF-8 character of a long line in two.
        for (std::size_t drop = 1; drop <= 3 && drop < line.size(); ++drop) {
            if (text::isValidUtf8(line.substr(0, line.size() - drop))) {
                line = line.substr(0, line.size() - drop);
                break;
            }
        }
    }
    return text::trimSpaces(text::cutUtf8(text::decodeLegacy(line), 99));
}

} // namespace kavro
