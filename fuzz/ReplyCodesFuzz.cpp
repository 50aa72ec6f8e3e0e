// A cabinet's answer as it arrives on the wire: the string descriptor bytes decoded into reply
// units, mapped to a result code and read as an id, and arbitrary units mapped directly.
#include "FuzzScratch.h"

#include "torvex/ReplyCodes.h"
#include "torvex/Transport.h"
#include "torvex/torvex.h"
#include "torvex/usb/StringDescriptor.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

using kavro::fuzz::check;

namespace {

bool isResultCode(int code)
{
    switch (code) {
    case USBCD_OK:
    case USBCD_BUSY:
    case USBCD_FAIL:
    case USBCD_PLUS_ACK:
    case USBCD_PLUS_BUSY:
    case USBCD_ERROR1:
    case USBCD_ERROR2:
    case USBCD_ERROR3:
    case USBCD_ERROR4:
    case USBCD_ERROR5:
        return true;
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const int received = in.ConsumeIntegralInRange<int>(-1, torvex::usb::kStringRequestBytes);
    // The transfer buffer is exactly as large as the request; only `received` bytes of it are
    // from the device.
    std::vector<std::uint8_t> reply =
        in.ConsumeBytes<std::uint8_t>(static_cast<std::size_t>(std::max(received, 0)));
    reply.resize(torvex::usb::kStringRequestBytes, 0);
    std::array<std::uint16_t, torvex::kReplyUnits> units{};
    std::array<std::uint16_t, torvex::kReplyUnits> untouched{};
    const std::uint16_t guard = in.ConsumeIntegral<std::uint16_t>();
    units.fill(guard);
    untouched.fill(guard);
    // The buffer handed over holds exactly kReplyUnits units; a write past it shows as an overflow.
    std::vector<std::uint16_t> heapUnits(units.begin(), units.end());
    const bool decoded =
        torvex::usb::decodeStringDescriptor(reply.data(), received, heapUnits.data(), heapUnits.size());
    if (!decoded)
        check(std::equal(heapUnits.begin(), heapUnits.end(), untouched.begin()),
              "a refused reply writes nothing");
    else
        check(received >= 2 && reply[1] == 3, "only string descriptors decode");

    check(isResultCode(torvex::mapReply(heapUnits.data(), heapUnits.size())),
          "a reply maps to a result code");
    (void)torvex::idFromUnits(heapUnits.data());

    // Units straight from the input, in a buffer of exactly the count given: reading past the
    // count shows as an overflow.
    std::vector<std::uint16_t> raw;
    const auto count = in.ConsumeIntegralInRange<std::size_t>(0, torvex::kReplyUnits);
    while (raw.size() < count && in.remaining_bytes() > 0)
        raw.push_back(in.ConsumeIntegral<std::uint16_t>());
    raw.shrink_to_fit();
    check(isResultCode(torvex::mapReply(raw.data(), raw.size())), "units map to a result code");
    return 0;
}
