#include "platform/Text.h"

#include <iconv.h>

#include <cerrno>

namespace kavro::text {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes there are invalid.
std::size_t sequenceLength(std::string_view s, std::size_t i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len = 0;
    unsigned int min = 0;
    unsigned int cp = 0;
    if (b0 < 0x80)
        return 1;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size())
        return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t len = sequenceLength(bytes, i);
        if (len == 0)
            return false;
        i += len;
    }
    return true;
}

std::size_t utf8PrefixLength(std::string_view s, std::size_t maxBytes)
{
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t len = sequenceLength(s, i);
        if (len == 0)
            len = 1;
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return i;
}

std::string cutUtf8(std::string_view s, std::size_t maxBytes)
{
    return std::string(s.substr(0, utf8PrefixLength(s, maxBytes)));
}

std::string big5ToUtf8(std::string_view bytes)
{
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP950");
    if (cd == reinterpret_cast<iconv_t>(-1))
        cd = iconv_open("UTF-8", "BIG5");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(bytes);
    out.reserve(bytes.size() * 3 / 2 + 4);
    std::string input(bytes);
    char* in = input.data();
    std::size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or cut sequence: replace one byte and go on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string decodeLegacy(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return big5ToUtf8(bytes);
}

std::string trimSpaces(std::string_view s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

void trimSpacesInPlace(std::string& s)
{
    s = trimSpaces(s);
}

std::string trimBlanks(std::string_view s)
{
    std::size_t first = 0;
    while (first < s.size() && static_cast<unsigned char>(s[first]) <= 0x20)
        ++first;
    std::size_t last = s.size();
    while (last > first && static_cast<unsigned char>(s[last - 1]) <= 0x20)
        --last;
    return std::string(s.substr(first, last - first));
}

std::string upperAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

namespace {
char foldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
} // namespace

bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    return true;
}

bool startsWithIgnoreAsciiCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsIgnoreAsciiCase(s.substr(0, prefix.size()), prefix);
}

std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values)
{
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto place = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && place < values.size()) {
            out += values.begin()[place];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace kavro::text
