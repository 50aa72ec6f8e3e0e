#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// The Misc1 column: the disc's other notes, volume name, serial number and file system as
// CR LF separated "key=value" lines. Older rows also carry "Category=", "Title=" and
// "Barcode=" lines.
struct Misc1Fields {
    std::optional<std::string> title;   // set by a "Title=" line
    std::optional<std::string> barcode; // set by a "Barcode=" line
    std::string other;                  // "Other=" and the lines after it, each ending in CR LF
    std::string volume;
    std::string serial;
    std::string fileSystem;
};

// Splits text at every run of CR and LF (empty lines vanish) and reads the keys without
// regard to case. A key-less line continues an open "Other=" run and is ignored otherwise.
Misc1Fields ParseMisc1(std::string_view text);

// "Other=" + other + CR LF + "Volume=" + volume + CR LF + "Serial=" + serial + CR LF +
// "FileSystem=" + fileSystem, trimmed of leading and trailing blanks and control characters.
std::string BuildMisc1(std::string_view other, std::string_view volume, std::string_view serial,
                       std::string_view fileSystem);

} // namespace kavro
