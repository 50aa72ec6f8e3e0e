// The Misc1 column over arbitrary text: the fields parsed from it, and the fields written back
// and parsed again.
#include "FuzzScratch.h"

#include "catalogue/records/Misc1Text.h"

#include <cstddef>
#include <cstdint>

using kavro::fuzz::check;

namespace {

bool oneLine(std::string_view s)
{
    return s.find_first_of("\r\n") == std::string_view::npos;
}

std::string trimmedRight(std::string s)
{
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20)
        s.pop_back();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kavro::Misc1Fields f = kavro::ParseMisc1(text);
    check(oneLine(f.volume) && oneLine(f.serial) && oneLine(f.fileSystem), "a field holds one line");
    check(!f.title || oneLine(*f.title), "title holds one line");
    check(!f.barcode || oneLine(*f.barcode), "barcode holds one line");
    check(f.other.empty() || f.other.ends_with("\r\n"), "notes end in CR LF");

    // Written and read again, the one-line fields come back as they were.
    const std::string built = kavro::BuildMisc1(f.other, f.volume, f.serial, f.fileSystem);
    const kavro::Misc1Fields again = kavro::ParseMisc1(built);
    check(again.volume == f.volume, "volume survives a write");
    check(again.serial == f.serial, "serial survives a write");
    check(again.fileSystem == trimmedRight(f.fileSystem), "file system survives a write");
    check(!again.title && !again.barcode, "no title or barcode appears");
    return 0;
}
