#include "torvex/usb/UsbPath.h"

#include <algorithm>
#include <tuple>

namespace torvex::usb {

std::string usbPath(const UsbLocation& location)
{
    std::string path = "usb:" + std::to_string(location.bus);
    if (location.ports.empty())
        return path + ":" + std::to_string(location.address);
    for (std::size_t i = 0; i < location.ports.size(); ++i)
        path += (i == 0 ? "-" : ".") + std::to_string(location.ports[i]);
    return path;
}

bool usbLocationLess(const UsbLocation& a, const UsbLocation& b)
{
    return std::tie(a.bus, a.ports, a.address) < std::tie(b.bus, b.ports, b.address);
}

} // namespace torvex::usb
