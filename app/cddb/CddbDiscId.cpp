#include "cddb/CddbDiscId.h"

namespace kavro {

int CddbSecond(int frames)
{
    return frames / 75;
}

int CddbDigitSum(const CdToc& toc)
{
    int sum = 0;
    for (const int start : toc.trackStarts) {
        for (int s = CddbSecond(start); s > 0; s /= 10)
            sum += s % 10;
    }
    return sum;
}

int CddbDiscSeconds(const CdToc& toc)
{
    return CddbSecond(toc.leadOut);
}

std::uint32_t CddbDiscId(const CdToc& toc)
{
    const auto digits = static_cast<std::uint32_t>(CddbDigitSum(toc) % 255);
    const int first = toc.trackStarts.empty() ? 0 : CddbSecond(toc.trackStarts.front());
    // Masked so that a nonsensical table cannot spill into the other fields.
    const auto length = static_cast<std::uint32_t>(CddbDiscSeconds(toc) - first) & 0xFFFFu;
    const auto tracks = static_cast<std::uint32_t>(toc.trackStarts.size()) & 0xFFu;
    return digits << 24 | length << 8 | tracks;
}

} // namespace kavro
