#pragma once

#include "torvex/Transport.h"

#include <map>
#include <string>
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
    // From the device descriptors libusb caches at listing time: no device is opened for them.
    bool listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId) override;
    OpenFailure lastOpenFailure() const override { return m_lastOpenFailure; }

private:
    struct Listed {
        std::string path;
        libusb_device* device = nullptr; // holds a reference
        bool idsKnown = false;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
    };

    bool ensureContext(int& error);
    bool refresh(int& error);
    void releaseDevices();
    const Listed* listedAt(const std::string& path) const;
    libusb_device_handle* handleOf(Handle handle) const;

    libusb_context* m_context = nullptr;
    // Devices of the latest listing, each holding a reference, in listing order.
    std::vector<Listed> m_devices;
    OpenFailure m_lastOpenFailure;
    std::map<Handle, libusb_device_handle*> m_open;
    Handle m_nextHandle = 1;
};

} // namespace torvex::usb
