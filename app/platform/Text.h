#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// Text is held as UTF-8 bytes. Byte-wise rules (matching, trimming, cutting to a width) act on
// bytes but never cut a character in two.
namespace kavro::text {

bool isValidUtf8(std::string_view bytes);

// Length of the longest prefix of s of at most maxBytes bytes that ends on a character
// boundary. Invalid bytes count as one-byte characters.
std::size_t utf8PrefixLength(std::string_view s, std::size_t maxBytes);

// s cut to at most maxBytes bytes at a character boundary.
std::string cutUtf8(std::string_view s, std::size_t maxBytes);

// Big5 (code page 950) to UTF-8; a byte sequence that does not convert becomes U+FFFD.
std::string big5ToUtf8(std::string_view bytes);

// Text from a file that may come from an older installation: UTF-8 when valid, else Big5.
std::string decodeLegacy(std::string_view bytes);

// Removes leading and trailing space characters (only ' ').
std::string trimSpaces(std::string_view s);
void trimSpacesInPlace(std::string& s);

// Removes leading and trailing blanks and control characters (bytes up to 0x20).
std::string trimBlanks(std::string_view s);

// Folds only the letters a to z to upper case; every other byte stays.
std::string upperAscii(std::string_view s);

// Case-insensitive comparison of ASCII letters; other bytes compare exactly.
bool equalsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoreAsciiCase(std::string_view s, std::string_view prefix);

// A looked-up text with its places %1 to %9 filled, in one pass (a value holding "%2" stays as
// it is). A place with no value, and any other %, stay.
std::string fillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

} // namespace kavro::text
