#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torvex::usb {

// Where a device sits on the bus. The port chain survives re-plugging into the same socket,
// so it names a device more stably than its address, which changes with every plug.
struct UsbLocation {
    std::uint8_t bus = 0;
    std::uint8_t address = 0;
    std::vector<std::uint8_t> ports; // empty for a root hub or when the chain is unknown
};

// "usb:<bus>-<port>.<port>..." or, without a port chain, "usb:<bus>:<address>".
std::string usbPath(const UsbLocation& location);

// Orders locations by bus, then port chain, then address, so that every enumeration lists the
// devices in the same order whatever order the system reports them in.
bool usbLocationLess(const UsbLocation& a, const UsbLocation& b);

} // namespace torvex::usb
