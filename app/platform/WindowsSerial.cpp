#include "platform/WindowsSerial.h"

namespace kavro::windowsserial {

namespace {

constexpr std::uint32_t LeadInFrames = 150;

// Absolute minutes, seconds and frames of an LBA, packed as 0x00MMSSFF.
std::uint32_t packedMsf(std::uint32_t lba)
{
    const std::uint32_t frames = lba + LeadInFrames;
    const std::uint32_t minutes = frames / (75 * 60);
    const std::uint32_t seconds = (frames / 75) % 60;
    // Minutes beyond one byte cannot come from a real table of contents; keep the byte.
    return ((minutes & 0xFFu) << 16) | (seconds << 8) | (frames % 75);
}

} // namespace

std::uint32_t descriptorSerial(std::span<const std::uint8_t> descriptor)
{
    std::uint8_t lanes[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < descriptor.size(); ++i)
        lanes[i & 3] = static_cast<std::uint8_t>(lanes[i & 3] + descriptor[i]);
    return (std::uint32_t{lanes[0]} << 24) | (std::uint32_t{lanes[1]} << 16) |
           (std::uint32_t{lanes[2]} << 8) | std::uint32_t{lanes[3]};
}

std::uint32_t audioSerial(const std::vector<std::uint32_t>& trackStarts, std::uint32_t leadOut)
{
    if (trackStarts.empty())
        return 0;
    std::uint32_t serial = 0;
    if (trackStarts.size() <= 2)
        serial = leadOut - trackStarts.front();
    for (std::uint32_t start : trackStarts)
        serial += packedMsf(start);
    return serial;
}

} // namespace kavro::windowsserial
