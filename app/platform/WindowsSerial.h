#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The volume serial numbers Windows reports for CDs, so that a disc catalogued on either system
// carries the same serial.
namespace kavro::windowsserial {

// A data disc: the sum of the active volume descriptor's bytes in four lanes. Byte k of the
// serial is the sum (mod 256) of the bytes at positions 4i + k; k = 0 is the highest byte.
std::uint32_t descriptorSerial(std::span<const std::uint8_t> descriptor);

// An audio disc, from its table of contents: track start addresses as LBAs (0 at the end of the
// 2-second lead-in, as the kernel reports them) and the lead-out LBA. Each track adds its start
// as packed 0x00MMSSFF; with two tracks or fewer the length from the first track to the
// lead-out in frames is added as well.
std::uint32_t audioSerial(const std::vector<std::uint32_t>& trackStarts, std::uint32_t leadOut);

} // namespace kavro::windowsserial
