#pragma once

#include "torvex/Transport.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace torvex::usb {

// Reaches the cabinets through libusb. A command is a GET_DESCRIPTOR string request on
// endpoint 0, so no interface is claimed and the kernel's HID driver stays attached.
class UsbTransport final : public Transport {
public:
    UsbTransport() = default;
    ~UsbTransport() override;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;

    bool listDevices(std::vector<std::string>& paths, int& error) override;
    Handle open(const std::string& path) override;
    bool attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId) override;
    bool indexedString(Handle handle, int index, std::uint16_t* units) override;
    void close(Handle handle) override;

private:
    bool ensureContext(int& error);
    bool refresh(int& error);
    void releaseDevices();
    libusb_device* deviceAt(const std::string& path) const;
    libusb_device_handle* handleOf(Handle handle) const;

    libusb_context* m_context = nullptr;
    // Devices of the latest listing, each holding a reference, in listing order.
    std::vector<std::pair<std::string, libusb_device*>> m_devices;
    std::map<Handle, libusb_device_handle*> m_open;
    Handle m_nextHandle = 1;
};

} // namespace torvex::usb
