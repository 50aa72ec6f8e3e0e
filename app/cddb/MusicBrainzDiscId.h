#pragma once

#include "platform/CdToc.h"

#include <string>

// The MusicBrainz view of a table of contents.
namespace kavro {

// The disc id: SHA-1 over the first and last track numbers ("%02X") and 100 offsets ("%08X": the
// lead-out, then each track's start, lead-in included, unused ones 0), in base64 with '.', '_'
// and '-' for '+', '/' and '='. 28 characters.
std::string MusicBrainzDiscId(const CdToc& toc);

// The table of contents as the web service takes it: "1+<last>+<lead-out>+<start>...".
std::string MusicBrainzToc(const CdToc& toc);

} // namespace kavro
