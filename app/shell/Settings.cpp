#include "shell/Settings.h"

#include "platform/Text.h"
#include "shell/FileIo.h"

#include <cstdint>
#include <optional>
#include <system_error>
#include <vector>

namespace kavro {

namespace fs = std::filesystem;

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class LineKind { Other, Section, Entry };
enum class FileForm;

// One line of the file as offsets into its bytes; nothing is copied, so unchanged lines are
// written back exactly.
struct IniLine {
    std::size_t begin = 0; // first byte of the line
    std::size_t end = 0;   // end of its content (before the line break)
    std::size_t next = 0;  // first byte after the line break
    LineKind kind = LineKind::Other;
    std::string_view name;  // section name or key, trimmed
    std::string_view value; // entry value, trimmed (empty when the line has no "=")
    bool hasValue = false;
    std::size_t valueBegin = 0; // where the value starts on an entry line with "="
};

std::vector<IniLine> parseLines(std::string_view bytes)
{
    std::vector<IniLine> lines;
    std::size_t pos = 0;
    // A byte-order mark written by some editors is not part of the first line.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    while (pos < bytes.size()) {
        IniLine line;
        line.begin = pos;
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        line.end = end;
        std::size_t next = end;
        if (next < bytes.size() && bytes[next] == '\r')
            ++next;
        if (next < bytes.size() && bytes[next] == '\n')
            ++next;
        line.next = next;

        std::string_view content = bytes.substr(line.begin, line.end - line.begin);
        const std::string_view body = trimmed(content);
        if (!body.empty() && body.front() == '[') {
            line.kind = LineKind::Section;
            std::string_view name = body.substr(1);
            const auto close = name.find(']');
            if (close != std::string_view::npos)
                name = name.substr(0, close);
            line.name = trimmed(name);
        } else if (!body.empty() && body.front() != ';') {
            line.kind = LineKind::Entry;
            const auto eq = content.find('=');
            if (eq == std::string_view::npos) {
                line.name = body;
            } else {
                line.name = trimmed(content.substr(0, eq));
                line.hasValue = true;
                std::size_t v = eq + 1;
                while (v < content.size() && isBlank(content[v]))
                    ++v;
                line.valueBegin = line.begin + v;
                line.value = trimmed(content.substr(eq + 1));
            }
        }
        lines.push_back(line);
        pos = next;
    }
    return lines;
}

struct Found {
    std::optional<std::size_t> section; // index of the section line
    std::optional<std::size_t> key;     // index of the key line inside that section
    std::size_t sectionEnd = 0;         // index one past the last line of the section
};

// The first section of the name, and the first key of the name inside it.
Found find(const std::vector<IniLine>& lines, std::string_view section, std::string_view key)
{
    Found found;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Section && text::equalsIgnoreAsciiCase(lines[i].name, section)) {
            found.section = i;
            break;
        }
    }
    if (!found.section)
        return found;
    std::size_t i = *found.section + 1;
    for (; i < lines.size() && lines[i].kind != LineKind::Section; ++i) {
        if (!found.key && lines[i].kind == LineKind::Entry && text::equalsIgnoreAsciiCase(lines[i].name, key))
            found.key = i;
    }
    found.sectionEnd = i;
    return found;
}

// The stored value of a key, still undecoded; nullopt when the key is missing or has no "=".
std::optional<std::string> readSettingsText(const fs::path& file, FileForm* form);

std::optional<std::string> rawValue(const fs::path& file, std::string_view section, std::string_view key)
{
    const auto bytes = readSettingsText(file, nullptr);
    if (!bytes)
        return std::nullopt;
    const auto lines = parseLines(*bytes);
    const Found found = find(lines, section, key);
    if (!found.key || !lines[*found.key].hasValue)
        return std::nullopt;
    std::string_view value = lines[*found.key].value;
    // One pair of enclosing quotes is not part of the value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

// How the file's text is stored. Windows Notepad's "Unicode" is UTF-16 with a byte-order mark,
// which the Windows profile calls read; such a file is read as text and written back as UTF-16.
enum class FileForm { Bytes, Utf16Le, Utf16Be };

FileForm formOf(std::string_view bytes)
{
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return FileForm::Utf16Le;
    if (bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF')
        return FileForm::Utf16Be;
    return FileForm::Bytes;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 (after its byte-order mark) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<std::uint32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        appendUtf8(out, cp);
    }
    return out;
}

// UTF-8 text (Big5 bytes decoded first) as UTF-16 with its byte-order mark.
std::string utf8ToUtf16(std::string_view utf8, bool bigEndian)
{
    const std::string textOf = text::decodeLegacy(utf8);
    std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    const auto put = [&](std::uint32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(textOf.data());
    const std::size_t n = textOf.size();
    for (std::size_t i = 0; i < n;) {
        std::uint32_t cp = p[i];
        std::size_t len = 1;
        if (cp >= 0xF0 && i + 3 < n + 0) {
            cp = (cp & 0x07) << 18 | (p[i + 1] & 0x3Fu) << 12 | (p[i + 2] & 0x3Fu) << 6 | (p[i + 3] & 0x3Fu);
            len = 4;
        } else if (cp >= 0xE0 && i + 2 < n) {
            cp = (cp & 0x0F) << 12 | (p[i + 1] & 0x3Fu) << 6 | (p[i + 2] & 0x3Fu);
            len = 3;
        } else if (cp >= 0xC0 && i + 1 < n) {
            cp = (cp & 0x1F) << 6 | (p[i + 1] & 0x3Fu);
            len = 2;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

// The file's text as the parser reads it: the bytes themselves, or UTF-16 turned into UTF-8.
std::optional<std::string> readSettingsText(const fs::path& file, FileForm* form)
{
    auto bytes = readWholeFile(file);
    if (!bytes)
        return std::nullopt;
    const FileForm found = formOf(*bytes);
    if (form != nullptr)
        *form = found;
    if (found == FileForm::Bytes)
        return bytes;
    return utf16ToUtf8(*bytes, found == FileForm::Utf16Be);
}

bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos || s.find('\0') != std::string_view::npos;
}

} // namespace

Settings::Settings(std::filesystem::path file) : m_file(std::move(file)) {}

std::string Settings::readString(std::string_view section, std::string_view key, std::string_view def,
                                 std::size_t maxLength) const
{
    const auto raw = rawValue(m_file, section, key);
    if (!raw)
        return text::cutUtf8(def, maxLength);
    return text::cutUtf8(text::decodeLegacy(*raw), maxLength);
}

int Settings::readInt(std::string_view section, std::string_view key, int def) const
{
    const auto raw = rawValue(m_file, section, key);
    if (!raw || raw->empty())
        return def;
    std::string_view s = *raw;
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    // The platform reads into 32 bits and lets larger numbers wrap.
    std::uint32_t value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

bool Settings::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    // Names and values that would read back as something else are refused rather than written
    // into a file they would break.
    const std::string_view sectionName = trimmed(section);
    const std::string_view keyName = trimmed(key);
    if (sectionName.empty() || keyName.empty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || sectionName.find(']') != std::string_view::npos ||
        keyName.find('=') != std::string_view::npos || keyName.front() == '[' || keyName.front() == ';')
        return false;

    std::error_code ec;
    std::string bytes;
    FileForm form = FileForm::Bytes;
    if (fs::exists(m_file, ec)) {
        auto existing = readSettingsText(m_file, &form);
        if (!existing)
            return false;
        bytes = std::move(*existing);
    } else if (ec) {
        return false;
    }

    const auto lines = parseLines(bytes);
    std::string eol = "\n";
    if (!lines.empty() && lines.front().next > lines.front().end)
        eol = bytes.substr(lines.front().end, lines.front().next - lines.front().end);

    const Found found = find(lines, sectionName, keyName);
    std::string out;
    out.reserve(bytes.size() + keyName.size() + value.size() + sectionName.size() + 8);
    if (found.key) {
        const IniLine& line = lines[*found.key];
        out.append(bytes, 0, line.begin);
        if (line.hasValue) {
            out.append(bytes, line.begin, line.valueBegin - line.begin);
        } else {
            out.append(bytes, line.begin, line.end - line.begin);
            out += '=';
        }
        out += value;
        out.append(bytes, line.end, std::string::npos);
    } else if (found.section) {
        // After the section's last line that is not empty, before any blank lines that part it
        // from the next section.
        std::size_t last = *found.section;
        for (std::size_t i = *found.section + 1; i < found.sectionEnd; ++i)
            if (!trimmed(std::string_view(bytes).substr(lines[i].begin, lines[i].end - lines[i].begin))
                     .empty())
                last = i;
        const IniLine& line = lines[last];
        out.append(bytes, 0, line.next);
        if (line.next == line.end)
            out += eol; // the file ended without a line break
        out.append(keyName).append("=").append(value).append(eol);
        out.append(bytes, line.next, std::string::npos);
    } else {
        out = bytes;
        if (!out.empty() && out.back() != '\n' && out.back() != '\r')
            out += eol;
        out.append("[").append(sectionName).append("]").append(eol);
        out.append(keyName).append("=").append(value).append(eol);
    }
    if (form != FileForm::Bytes)
        return replaceFile(m_file, utf8ToUtf16(out, form == FileForm::Utf16Be));
    return replaceFile(m_file, out);
}

bool Settings::writeInt(std::string_view section, std::string_view key, int value)
{
    return writeString(section, key, std::to_string(value));
}

} // namespace kavro
