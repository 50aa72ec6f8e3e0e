#pragma once

#include "platform/CdToc.h"

#include <cstdint>

// The CDDB disc identifier and the figures around it, from a table of contents.
namespace kavro {

// Whole seconds from the start of the disc to a position in frames.
int CddbSecond(int frames);

// Sum of the decimal digits of every track's start second.
int CddbDigitSum(const CdToc& toc);

// Playing time of the disc in whole seconds, lead-in included, as the query states it.
int CddbDiscSeconds(const CdToc& toc);

// (digit sum mod 255) << 24 | (seconds from the first track to the lead-out) << 8 | tracks.
std::uint32_t CddbDiscId(const CdToc& toc);

} // namespace kavro
