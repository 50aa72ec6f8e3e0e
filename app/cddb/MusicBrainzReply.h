#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The JSON answer of the MusicBrainz web service to a disc-id lookup.
namespace kavro {

// One release that holds the disc, with the titles of the medium that is the disc.
struct MusicBrainzRelease {
    std::string title;
    std::string artist; // the artist credit as written, join phrases included
    std::string date;
    std::string country;
    std::vector<std::string> tracks; // "Artist / Title" where a track's credit differs from the release's

    // "Artist / Title", as a CDDB disc title is written.
    std::string discTitle() const;
    // The disc title with what tells releases apart: "Artist / Title (1999, JP)".
    std::string label() const;
};

// The releases of a lookup answer: each release names the medium whose disc ids include discId,
// else the first medium of trackCount tracks (an answer found by the table of contents), else it
// is left out. A CD stub (a disc entered without a release) counts as one release. nullopt when
// the answer is not JSON of either form; an empty list when it names no release.
std::optional<std::vector<MusicBrainzRelease>> MusicBrainzReleases(std::string_view json, std::string_view discId,
                                                                   std::size_t trackCount);

} // namespace kavro
