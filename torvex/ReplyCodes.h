#pragma once

#include <cstddef>
#include <cstdint>

namespace torvex {

// Maps the units of a reply (read up to `count`, a zero unit ends the text) to a result code:
// "ACK" 0, "BUSY" 2, "+ACK" 16, "+BUSY" 18, "ERROR" and a sixth unit 1..4 gives n*16+1, any
// other "ERROR" 81, anything else 3. Prefixes are compared case-sensitively, in that order.
int mapReply(const std::uint16_t* units, std::size_t count);

// c0 * 65536 + c1 * 256 + c2 of the first three units, unmasked (wraps like 32-bit arithmetic).
std::int32_t idFromUnits(const std::uint16_t* units);

} // namespace torvex
