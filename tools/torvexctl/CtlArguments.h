#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvexctl {

// A machine id: decimal or 0x hex, 0 to 0x7FFFFFFF, or -1 (a machine whose id could not be read).
std::optional<int> parseId(std::string_view text);

// A slot: decimal, 1 to 255 (the slot travels as a one-byte string index).
std::optional<int> parseSlot(std::string_view text);

// A whole decimal number from 0 to max.
std::optional<long> parseCount(std::string_view text, long max);

// The name of a result code ("USBCD_OK", ...), or "code N" for one the library does not define.
std::string codeName(int code);

// "0x0A0B0C"; -1 stays "-1".
std::string idText(int id);

// The words of the command line split into commands at the separators ";" and "--".
std::vector<std::vector<std::string>> splitCommands(const std::vector<std::string>& words);

} // namespace torvexctl
