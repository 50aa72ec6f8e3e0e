#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kavro {

// The settings file (Kavro.ini), read and written with the rules of the private-profile calls:
// sections and keys match without regard to case, the first section of a name and the first key
// of a name in it count, values are trimmed of blanks and of one pair of enclosing quotes.
// Every call goes to the file; nothing is cached, so a value written anywhere is seen by the next
// read everywhere. A write changes only the line of its key (or adds one) and keeps every other
// byte of the file as it was.
class Settings {
public:
    explicit Settings(std::filesystem::path file);

    const std::filesystem::path& file() const { return m_file; }

    // Missing key: def. Present with empty value: "". Longest value maxLength bytes, cut at a
    // character boundary. Values are UTF-8, or Big5 when their bytes are not valid UTF-8.
    std::string readString(std::string_view section, std::string_view key, std::string_view def,
                           std::size_t maxLength = 255) const;

    // Decimal integer with an optional sign; reading stops at the first non-digit ("12abc" is 12,
    // "abc" is 0). A missing key or an empty value gives def.
    int readInt(std::string_view section, std::string_view key, int def) const;

    // Creates the file, the section and the key as needed. False when the names cannot be stored
    // in the file form (line breaks, a key with "=", a section with "]") or the file cannot be
    // written; the file is then unchanged.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInt(std::string_view section, std::string_view key, int value);

private:
    std::filesystem::path m_file;
};

} // namespace kavro
