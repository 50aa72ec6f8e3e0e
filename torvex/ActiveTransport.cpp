#include "torvex/Transport.h"

#include "torvex/DeviceTable.h"

#include <cstdlib>

namespace torvex {

namespace {
std::unique_ptr<Transport>& slot()
{
    static std::unique_ptr<Transport> transport;
    return transport;
}
} // namespace

Transport& activeTransport()
{
    auto& transport = slot();
    if (!transport) {
        const char* simulator = std::getenv("TORVEX_SIMULATOR");
        if (simulator != nullptr && *simulator != '\0')
            transport = makeSimulatorFromFile(simulator);
        if (!transport)
            transport = makeUsbTransport();
    }
    return *transport;
}

void setTransport(std::unique_ptr<Transport> transport)
{
    // The table's handles belong to the outgoing transport: close them there, not on the new one.
    if (slot())
        ResetDeviceTable();
    slot() = std::move(transport);
}

} // namespace torvex
