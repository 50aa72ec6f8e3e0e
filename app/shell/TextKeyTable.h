#pragma once

#include <span>
#include <string_view>

namespace kavro {

// A language key that code looks up, with the default its first caller passes.
struct TextKeyRow {
    std::string_view key;
    std::string_view defaultText;
};

// Every key looked up by code (messages, message-box captions, column captions, tree roots,
// the settings dialog's relabelling and the drive panel's state texts), one row per key. The
// shipped language files carry all of them; callers still write their default at the call.
std::span<const TextKeyRow> textKeyTable();

} // namespace kavro
