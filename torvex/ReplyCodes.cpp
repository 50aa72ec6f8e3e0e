#include "torvex/ReplyCodes.h"

#include "torvex/torvex.h"

namespace torvex {

namespace {

bool hasPrefix(const std::uint16_t* units, std::size_t count, const char* prefix)
{
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= count || units[i] != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

} // namespace

int mapReply(const std::uint16_t* units, std::size_t count)
{
    if (hasPrefix(units, count, "ACK"))
        return USBCD_OK;
    if (hasPrefix(units, count, "BUSY"))
        return USBCD_BUSY;
    if (hasPrefix(units, count, "+ACK"))
        return USBCD_PLUS_ACK;
    if (hasPrefix(units, count, "+BUSY"))
        return USBCD_PLUS_BUSY;
    if (hasPrefix(units, count, "ERROR")) {
        const std::uint16_t digit = count > 5 ? units[5] : 0;
        if (digit >= '1' && digit <= '4')
            return (digit - '0') * 16 + 1;
        return USBCD_ERROR5;
    }
    return USBCD_FAIL;
}

std::int32_t idFromUnits(const std::uint16_t* units)
{
    const std::uint32_t id = std::uint32_t{units[0]} * 65536u + std::uint32_t{units[1]} * 256u + units[2];
    return static_cast<std::int32_t>(id);
}

} // namespace torvex
