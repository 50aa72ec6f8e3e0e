// The seventeen exports over a transport whose every answer comes from the input: device lists,
// opens, vendor and product ids, and raw string descriptor replies decoded as the USB transport
// decodes them. The calls and their ids and slots come from the input too.
#include "FuzzScratch.h"

#include "torvex/Transport.h"
#include "torvex/torvex.h"
#include "torvex/usb/StringDescriptor.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

using kavro::fuzz::check;

namespace {

class WireTransport final : public torvex::Transport {
public:
    FuzzedDataProvider* in = nullptr; // answers fail while no input is set
    std::set<torvex::Handle> openHandles;

    bool listDevices(std::vector<std::string>& paths, int& error) override
    {
        if (!in || in->ConsumeIntegralInRange<int>(0, 15) == 0) {
            error = in ? in->ConsumeIntegral<int>() : 5;
            return false;
        }
        const int count = in->ConsumeIntegralInRange<int>(0, 64);
        for (int i = 0; i < count; ++i)
            paths.push_back(in->ConsumeIntegralInRange<int>(0, 20) == 0 ? std::string(256 + i, 'p')
                                                                        : "usb:1:" + std::to_string(i));
        return true;
    }

    torvex::Handle open(const std::string&) override
    {
        if (!in || in->ConsumeIntegralInRange<int>(0, 7) == 0)
            return torvex::kInvalidHandle;
        const torvex::Handle handle = m_next++;
        openHandles.insert(handle);
        return handle;
    }

    bool attributes(torvex::Handle handle, std::uint16_t& vendorId, std::uint16_t& productId) override
    {
        check(openHandles.count(handle) == 1, "attributes of an open handle");
        if (!in || in->ConsumeIntegralInRange<int>(0, 15) == 0)
            return false;
        const bool cabinet = in->ConsumeIntegralInRange<int>(0, 7) != 0;
        vendorId = cabinet ? 0x04B4 : in->ConsumeIntegral<std::uint16_t>();
        productId = cabinet ? 0x5A9B : in->ConsumeIntegral<std::uint16_t>();
        return true;
    }

    bool indexedString(torvex::Handle handle, int index, std::uint16_t* units) override
    {
        check(openHandles.count(handle) == 1, "a request on an open handle");
        check(index >= 0 && index <= 255, "a string index is one byte");
        if (!in || in->ConsumeIntegralInRange<int>(0, 31) == 0)
            return false;
        const int received = in->ConsumeIntegralInRange<int>(0, torvex::usb::kStringRequestBytes);
        std::vector<std::uint8_t> reply = in->ConsumeBytes<std::uint8_t>(static_cast<std::size_t>(received));
        const int got = static_cast<int>(reply.size());
        reply.resize(torvex::usb::kStringRequestBytes, 0);
        return torvex::usb::decodeStringDescriptor(reply.data(), got, units, torvex::kReplyUnits);
    }

    void close(torvex::Handle handle) override
    {
        check(openHandles.erase(handle) == 1, "only open handles are closed");
    }

private:
    torvex::Handle m_next = 1;
};

WireTransport& wire()
{
    static WireTransport* const transport = [] {
        auto owned = std::make_unique<WireTransport>();
        WireTransport* raw = owned.get();
        torvex::setTransport(std::move(owned));
        return raw;
    }();
    return *transport;
}

bool isCommandResult(int code)
{
    static const std::set<int> codes{USBCD_OK,       USBCD_NO_DEVICE, USBCD_BUSY,      USBCD_FAIL,
                                     USBCD_PLUS_ACK, USBCD_ERROR1,    USBCD_PLUS_BUSY, USBCD_ERROR2,
                                     USBCD_ERROR3,   USBCD_ERROR4,    USBCD_ERROR5};
    return codes.count(code) == 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    WireTransport& transport = wire();
    transport.in = &in;

    const int init = InitUSBKavro();
    check(init == USBCD_OK || init == USBCD_FAIL, "InitUSBKavro answers 0 or 3");
    const int devices = GetDeviceNumber();
    check(devices >= 0 && devices <= 60, "at most 60 machines");
    std::vector<int> ids;
    for (int i = 0; i < devices; ++i)
        ids.push_back(EnumDevice(i));
    check(EnumDevice(devices) == (init == USBCD_OK ? USBCD_NO_DEVICE : USBCD_FAIL), "index past the table");

    for (int step = 0; step < 24 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange<int>(0, 14);
        const int id = !ids.empty() && in.ConsumeBool()
                           ? ids[in.ConsumeIntegralInRange<std::size_t>(0, ids.size() - 1)]
                           : in.ConsumeIntegral<int>();
        const int slot =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 256) : in.ConsumeIntegral<int>();
        switch (op) {
        case 0:
            check(isCommandResult(USBCDReset(id)), "reset");
            break;
        case 1:
            check(isCommandResult(USBCDMoveto(id, slot)), "move");
            break;
        case 2:
            check(isCommandResult(USBCDGetCDDown(id)), "down");
            break;
        case 3:
            check(isCommandResult(USBCDLEDON(id)), "power on");
            break;
        case 4:
            check(isCommandResult(USBCDLEDOFF(id)), "power off");
            break;
        case 5:
            check(isCommandResult(USBCDGetStatus(id)), "status");
            break;
        case 6: {
            // Exactly the documented 129 bytes: a longer write shows as an overflow.
            auto text = std::make_unique<char[]>(129);
            std::memset(text.get(), 'x', 129);
            int length = -5;
            const int result = USBCDGetType(id, text.get(), &length);
            check(result == USBCD_OK || result == USBCD_FAIL, "type answers 0 or 3");
            if (result == USBCD_OK)
                check(length >= 0 && length <= 128 && text[static_cast<std::size_t>(length)] == '\0',
                      "a type text and its length");
            else
                check(length == -5, "a failed type call leaves the length");
            break;
        }
        case 7:
            check(USBCDGetDriveCD(id) >= 0, "drive slot");
            break;
        case 8:
            check(isCommandResult(USBCDMovetoDrive(id, slot)), "load");
            break;
        case 9:
            check(isCommandResult(USBCDEject(id)), "eject");
            break;
        case 10: {
            int counter = 12345;
            const int result = GetDriveCounter(id, &counter);
            check(result == USBCD_OK || result == USBCD_NO_DEVICE || result == USBCD_FAIL, "counter result");
            if (result != USBCD_OK)
                check(counter == 12345, "a failed counter call leaves the counter");
            break;
        }
        case 11:
            check(isCommandResult(ClearDriveCounter(id)), "clear counter");
            break;
        case 12: {
            const int changed = USBCDchanged();
            check(changed == USBCD_OK || changed == USBCD_CHANGED || changed == USBCD_FAIL, "changed");
            break;
        }
        case 13: {
            const int result = EnumDevice(slot);
            if (slot < 0 || slot >= GetDeviceNumber())
                check(result == USBCD_NO_DEVICE || result == USBCD_FAIL, "index outside the table");
            break;
        }
        default:
            check(CloseUSBKavro() == USBCD_OK, "close");
            break;
        }
    }

    check(CloseUSBKavro() == USBCD_OK, "close");
    check(transport.openHandles.empty(), "closing releases every handle");
    transport.in = nullptr;
    return 0;
}
