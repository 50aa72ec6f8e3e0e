#include "catalogue/records/Misc1Text.h"

#include "platform/Text.h"

namespace kavro {

Misc1Fields ParseMisc1(std::string_view text)
{
    Misc1Fields f;
    bool otherRun = false;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == '\r' || text[i] == '\n'))
            ++i;
        if (i >= text.size())
            break;
        std::size_t end = i;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        const std::string_view piece = text.substr(i, end - i);
        i = end;

        auto rest = [&](std::size_t n) { return std::string(piece.substr(n)); };
        if (text::startsWithIgnoreAsciiCase(piece, "Title=")) {
            f.title = rest(6);
            otherRun = false;
        } else if (text::startsWithIgnoreAsciiCase(piece, "Barcode=")) {
            f.barcode = rest(8);
            otherRun = false;
        } else if (text::startsWithIgnoreAsciiCase(piece, "Other=")) {
            f.other = rest(6) + "\r\n";
            otherRun = true;
        } else if (text::startsWithIgnoreAsciiCase(piece, "Volume=")) {
            f.volume = rest(7);
            otherRun = false;
        } else if (text::startsWithIgnoreAsciiCase(piece, "Serial=")) {
            f.serial = rest(7);
            otherRun = false;
        } else if (text::startsWithIgnoreAsciiCase(piece, "Filesystem=")) {
            f.fileSystem = rest(11);
            otherRun = false;
        } else if (otherRun) {
            f.other += std::string(piece) + "\r\n";
        }
    }
    return f;
}

std::string BuildMisc1(std::string_view other, std::string_view volume, std::string_view serial,
                       std::string_view fileSystem)
{
    std::string s = "Other=";
    s += other;
    s += "\r\nVolume=";
    s += volume;
    s += "\r\nSerial=";
    s += serial;
    s += "\r\nFileSystem=";
    s += fileSystem;
    return text::trimBlanks(s);
}

} // namespace kavro
