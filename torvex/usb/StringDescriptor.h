#pragma once

#include <cstddef>
#include <cstdint>

namespace torvex::usb {

// Bytes asked for in one string descriptor request. 255 rather than 256: some devices stall on
// a length whose low byte is zero, and bLength cannot exceed 255 anyway.
inline constexpr int kStringRequestBytes = 255;

// Decodes a string descriptor reply of `received` bytes: bLength, the descriptor type (3), then
// UTF-16LE units up to bLength. Writes at most maxUnits units to `units` (the rest is left as
// it is) and returns false when the reply is not a string descriptor.
bool decodeStringDescriptor(const std::uint8_t* bytes, int received, std::uint16_t* units,
                            std::size_t maxUnits);

} // namespace torvex::usb
