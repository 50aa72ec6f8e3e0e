#pragma once

#include "platform/Texts.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kavro {

// The active language file as a table of key and text entries, in file order.
//
// File form: lines end with CR, LF or CR LF. After leading spaces, a line starting with ";",
// "#", "[", "//" or "/*" is a comment. An entry line is key "=" text: the key runs from the
// first non-space character to the first "=" (spaces before the "=" belong to it), the text
// from after that "=" to the end of the line, spaces included. A line is an entry only when a
// non-space character follows its first "=". Only ' ' counts as a space. The first line names
// the language and is read like any other line. At most maxEntries entries are kept.
class LanguageTable final : public Texts {
public:
    static constexpr std::size_t maxEntries = 600;

    // Loads the file; returns true when the entries were replaced (file opened and non-empty).
    // The bytes are read as UTF-8, or as Big5 when they are not valid UTF-8. A file that cannot
    // be read or is empty leaves the previous entries in place.
    bool load(const std::filesystem::path& file);

    // Replaces the entries with those of text already in memory (used by load).
    void loadText(std::string_view text);

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

    // Text of the first entry whose key equals key byte for byte.
    std::optional<std::string> find(std::string_view key) const;

    std::string text(std::string_view key, std::string_view defaultText) const override;

    const std::vector<std::pair<std::string, std::string>>& entries() const { return m_entries; }

    // The display name of a language file: its first line (at most 99 bytes), without the line
    // break and trimmed of spaces; empty when the file cannot be read or the line is empty.
    static std::string displayName(const std::filesystem::path& file);

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

} // namespace kavro
