#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kavro {

class Clock;

// The table of contents of an audio CD. Positions are frames (75 a second) from the absolute
// start of the disc, lead-in included, so the first track normally starts at 150.
struct CdToc {
    std::vector<int> trackStarts; // first track to last
    int leadOut = 0;
};

// Why a table of contents could not be read: an error number and the system's text for it.
struct CdTocError {
    int code = 0;
    std::string text;
};

struct CdTocResult {
    std::optional<CdToc> toc;
    CdTocError error; // meaningful only without a toc

    bool ok() const { return toc.has_value(); }
    explicit operator bool() const { return ok(); }
};

// Reads a disc's table of contents. The program reads real drives through libcdio; tests supply
// their own tables.
class CdTocReader {
public:
    virtual ~CdTocReader() = default;

    // device: a device path such as /dev/sr0 (or a disc image). An open tray is closed first;
    // waiting for the drive goes through the clock.
    virtual CdTocResult read(const std::string& device, Clock& clock) = 0;
};

} // namespace kavro
