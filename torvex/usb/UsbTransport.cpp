#include "torvex/usb/UsbTransport.h"

#include "torvex/usb/StringDescriptor.h"
#include "torvex/usb/UsbPath.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <string>

namespace torvex {

std::unique_ptr<Transport> makeUsbTransport()
{
    return std::make_unique<usb::UsbTransport>();
}

namespace usb {

namespace {

// A cabinet answers a command only when it has acted on it; a move can take seconds.
constexpr unsigned kRequestTimeoutMs = 5000;
// US English. Asking string 0 for the device's own list would be one more request that the
// cabinet sees before every command.
constexpr std::uint16_t kLangId = 0x0409;
// bmRequestType of a standard request to the device, answered device to host.
constexpr std::uint8_t kDeviceToHostStandard = static_cast<std::uint8_t>(LIBUSB_ENDPOINT_IN) |
                                               static_cast<std::uint8_t>(LIBUSB_REQUEST_TYPE_STANDARD) |
                                               static_cast<std::uint8_t>(LIBUSB_RECIPIENT_DEVICE);

UsbLocation locationOf(libusb_device* device)
{
    UsbLocation location;
    location.bus = libusb_get_bus_number(device);
    location.address = libusb_get_device_address(device);
    std::array<std::uint8_t, 8> ports{}; // USB 3 allows a chain of at most 7
    const int count = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    if (count > 0)
        location.ports.assign(ports.begin(), ports.begin() + count);
    return location;
}

OpenFailure openFailureOf(int rc)
{
    switch (rc) {
    case LIBUSB_ERROR_ACCESS:
        return {OpenFailure::Kind::AccessDenied, "LIBUSB_ERROR_ACCESS"};
    case LIBUSB_ERROR_NO_DEVICE:
        return {OpenFailure::Kind::Gone, "LIBUSB_ERROR_NO_DEVICE"};
    case LIBUSB_ERROR_BUSY:
        return {OpenFailure::Kind::Busy, "LIBUSB_ERROR_BUSY"};
    default:
        // libusb_error_name would do, but this keeps the transport to the calls it needs.
        return {OpenFailure::Kind::Other, "libusb error " + std::to_string(rc)};
    }
}

} // namespace

UsbTransport::~UsbTransport()
{
    for (auto& [handle, deviceHandle] : m_open)
        libusb_close(deviceHandle);
    m_open.clear();
    releaseDevices();
    if (m_context != nullptr)
        libusb_exit(m_context);
}

bool UsbTransport::ensureContext(int& error)
{
    if (m_context != nullptr)
        return true;
    const int rc = libusb_init(&m_context);
    if (rc < 0) {
        m_context = nullptr;
        error = -rc;
        return false;
    }
    return true;
}

void UsbTransport::releaseDevices()
{
    for (Listed& listed : m_devices)
        libusb_unref_device(listed.device);
    m_devices.clear();
}

bool UsbTransport::refresh(int& error)
{
    if (!ensureContext(error))
        return false;
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(m_context, &list);
    if (count < 0) {
        error = static_cast<int>(-count);
        return false;
    }
    std::vector<std::pair<UsbLocation, libusb_device*>> found;
    found.reserve(static_cast<std::size_t>(count));
    for (ssize_t i = 0; i < count; ++i)
        found.emplace_back(locationOf(list[i]), libusb_ref_device(list[i]));
    libusb_free_device_list(list, 1);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return usbLocationLess(a.first, b.first); });

    releaseDevices();
    for (auto& [location, device] : found) {
        Listed listed{usbPath(location), device};
        // libusb reads the device descriptor once when the device appears (from sysfs on Linux).
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(device, &descriptor) == 0) {
            listed.idsKnown = true;
            listed.vendorId = descriptor.idVendor;
            listed.productId = descriptor.idProduct;
        }
        m_devices.push_back(std::move(listed));
    }
    return true;
}

bool UsbTransport::listDevices(std::vector<std::string>& paths, int& error)
{
    paths.clear();
    if (!refresh(error))
        return false;
    for (const Listed& listed : m_devices)
        paths.push_back(listed.path);
    return true;
}

const UsbTransport::Listed* UsbTransport::listedAt(const std::string& path) const
{
    for (const Listed& listed : m_devices)
        if (listed.path == path)
            return &listed;
    return nullptr;
}

bool UsbTransport::listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId)
{
    const Listed* listed = listedAt(path);
    if (listed == nullptr || !listed->idsKnown)
        return false;
    vendorId = listed->vendorId;
    productId = listed->productId;
    return true;
}

libusb_device_handle* UsbTransport::handleOf(Handle handle) const
{
    const auto it = m_open.find(handle);
    return it == m_open.end() ? nullptr : it->second;
}

Handle UsbTransport::open(const std::string& path)
{
    int error = 0;
    const Listed* listed = listedAt(path);
    libusb_device_handle* deviceHandle = nullptr;
    int rc = listed != nullptr ? libusb_open(listed->device, &deviceHandle) : LIBUSB_ERROR_NO_DEVICE;
    // The device behind a path may have been re-plugged since the listing: look again once.
    if (rc == LIBUSB_ERROR_NO_DEVICE && refresh(error)) {
        listed = listedAt(path);
        if (listed != nullptr)
            rc = libusb_open(listed->device, &deviceHandle);
    }
    if (rc < 0 || deviceHandle == nullptr) {
        m_lastOpenFailure = openFailureOf(rc < 0 ? rc : LIBUSB_ERROR_OTHER);
        return kInvalidHandle;
    }
    m_lastOpenFailure = {};
    const Handle handle = m_nextHandle++;
    m_open.emplace(handle, deviceHandle);
    return handle;
}

bool UsbTransport::attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId)
{
    libusb_device_handle* deviceHandle = handleOf(handle);
    if (deviceHandle == nullptr)
        return false;
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(libusb_get_device(deviceHandle), &descriptor) < 0)
        return false;
    vendorId = descriptor.idVendor;
    productId = descriptor.idProduct;
    return true;
}

bool UsbTransport::indexedString(Handle handle, int index, std::uint16_t* units)
{
    libusb_device_handle* deviceHandle = handleOf(handle);
    // A string index is one byte on the wire; a larger number would reach another string.
    if (deviceHandle == nullptr || index < 0 || index > 255)
        return false;
    std::array<unsigned char, kStringRequestBytes> reply{};
    const int received =
        libusb_control_transfer(deviceHandle, kDeviceToHostStandard, LIBUSB_REQUEST_GET_DESCRIPTOR,
                                static_cast<std::uint16_t>((LIBUSB_DT_STRING << 8) | index), kLangId,
                                reply.data(), static_cast<std::uint16_t>(reply.size()), kRequestTimeoutMs);
    if (received < 0)
        return false;
    return decodeStringDescriptor(reply.data(), received, units, kReplyUnits);
}

void UsbTransport::close(Handle handle)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end())
        return;
    libusb_close(it->second);
    m_open.erase(it);
}

} // namespace usb
} // namespace torvex
