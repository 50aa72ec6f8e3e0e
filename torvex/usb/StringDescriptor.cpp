#include "torvex/usb/StringDescriptor.h"

#include <algorithm>

namespace torvex::usb {

namespace {
constexpr std::uint8_t kStringDescriptorType = 3;
}

bool decodeStringDescriptor(const std::uint8_t* bytes, int received, std::uint16_t* units,
                            std::size_t maxUnits)
{
    if (received < 2 || bytes[1] != kStringDescriptorType)
        return false;
    // A device may claim more than it sent; trust only the bytes that arrived.
    const int length = std::min<int>(bytes[0], received);
    if (length < 2)
        return false;
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(length - 2) / 2, maxUnits);
    for (std::size_t i = 0; i < count; ++i)
        units[i] = static_cast<std::uint16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    return true;
}

} // namespace torvex::usb
