#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// Text bytes from an older catalogue (a Paradox table, a Jet 3 file), whose code page may be named
// wrongly or not at all, to UTF-8. Bytes that are valid UTF-8 stay as they are. A table written
// by the older program holds Big5, so Big5 is tried before a single-byte page named by the file
// (the default page a tool writes when nobody set one); another double-byte page named by the
// file (932, 936, 949) is tried first. What converts without error is taken; failing all, Big5
// with U+FFFD for what does not convert.
std::string DecodeCodePageText(std::string_view bytes, int codePage);

// bytes converted from the iconv encoding named from to UTF-8; nullopt when any byte sequence
// does not convert or the encoding is unknown.
std::optional<std::string> ConvertToUtf8Strict(std::string_view bytes, const char* from);

} // namespace kavro
