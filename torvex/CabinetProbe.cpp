#include "torvex/CabinetProbe.h"

#include "torvex/DeviceTable.h"

namespace torvex {

std::vector<UnopenedCabinet> probeUnopenedCabinets(Transport& transport)
{
    std::vector<UnopenedCabinet> unopened;
    std::vector<std::string> paths;
    int error = 0;
    if (!transport.listDevices(paths, error))
        return unopened;
    for (const std::string& path : paths) {
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        if (!transport.listedIds(path, vendor, product) || vendor != kVendorId || product != kProductId)
            continue;
        const Handle handle = transport.open(path);
        if (handle == kInvalidHandle)
            unopened.push_back({path, transport.lastOpenFailure()});
        else
            transport.close(handle);
    }
    return unopened;
}

std::vector<UnopenedCabinet> probeUnopenedUsbCabinets()
{
    const std::unique_ptr<Transport> usb = makeUsbTransport();
    return probeUnopenedCabinets(*usb);
}

} // namespace torvex
