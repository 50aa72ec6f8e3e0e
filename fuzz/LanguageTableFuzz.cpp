// The language file loader over arbitrary file bytes: the entries loaded from the file, lookups
// of their keys, and the display name read from the head of the same file.
#include "FuzzScratch.h"

#include "platform/Text.h"
#include "shell/LanguageTable.h"

#include <cstddef>
#include <cstdint>

using kavro::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = kavro::fuzz::scratchFile("Language/language.fuzz", bytes);

    kavro::LanguageTable table;
    check(table.load(file) == (size > 0), "load reports an empty file, and only that, as not loaded");
    check(table.size() <= kavro::LanguageTable::maxEntries, "entry limit");
    for (const auto& [key, text] : table.entries()) {
        // Big5 bytes are decoded before the lines are split, so no character is taken apart.
        check(kavro::text::isValidUtf8(key) && kavro::text::isValidUtf8(text), "entries are UTF-8");
        check(key.find_first_of("\r\n") == std::string::npos, "a key holds one line");
        check(text.find_first_of("\r\n") == std::string::npos, "a text holds one line");
        check(table.find(key).has_value(), "every key is found");
    }

    const std::string name = kavro::LanguageTable::displayName(file);
    check(name.size() <= 99, "display name length");
    check(kavro::text::isValidUtf8(name), "display name is UTF-8");
    return 0;
}
