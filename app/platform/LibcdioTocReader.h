#pragma once

#include "platform/CdToc.h"

namespace kavro {

// Table of contents through libcdio. A drive whose tray is open gets it closed, and the reader
// then waits (in clock steps, pending events running) until the drive has read the new disc.
// Disc images that libcdio opens (.cue, .toc, .nrg) are read the same way.
class LibcdioTocReader final : public CdTocReader {
public:
    // readyTimeoutMs: how long a drive may take to become ready after its tray closed.
    explicit LibcdioTocReader(int readyTimeoutMs = 30'000) : m_readyTimeoutMs(readyTimeoutMs) {}

    CdTocResult read(const std::string& device, Clock& clock) override;

private:
    int m_readyTimeoutMs;
};

} // namespace kavro
