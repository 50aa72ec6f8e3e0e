#include "FakeLibusb.h"

#include <libusb.h>

#include <algorithm>
#include <cstring>

// libusb's opaque types, as this stand-in defines them.
struct libusb_context {
    int unused = 0;
};
struct libusb_device {
    int index = 0;
    int refs = 0;
};
struct libusb_device_handle {
    libusb_device* device = nullptr;
};

namespace fakeusb {

Bus& bus()
{
    static Bus b;
    return b;
}

void reset()
{
    bus() = Bus{};
}

std::vector<unsigned char> stringDescriptor(const std::vector<std::uint16_t>& units)
{
    std::vector<unsigned char> bytes = {static_cast<unsigned char>(2 + 2 * units.size()), 3};
    for (const std::uint16_t unit : units) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    return bytes;
}

std::vector<unsigned char> stringDescriptor(const std::string& text)
{
    std::vector<std::uint16_t> units;
    for (const char c : text)
        units.push_back(static_cast<unsigned char>(c));
    return stringDescriptor(units);
}

Answer cabinet(std::int32_t id, const std::string& model,
               std::function<std::vector<unsigned char>(int index)> special)
{
    return [=](int index, unsigned char* data, int length) {
        std::vector<unsigned char> reply;
        if (special)
            reply = special(index);
        if (reply.empty()) {
            if (index == 10)
                reply = stringDescriptor(std::vector<std::uint16_t>{
                    static_cast<std::uint16_t>((id >> 16) & 0xFF),
                    static_cast<std::uint16_t>((id >> 8) & 0xFF), static_cast<std::uint16_t>(id & 0xFF)});
            else if (index == 9)
                reply = stringDescriptor(model);
            else
                reply = stringDescriptor("ACK");
        }
        const int n = std::min<int>(length, static_cast<int>(reply.size()));
        std::memcpy(data, reply.data(), static_cast<std::size_t>(n));
        return n;
    };
}

std::vector<int> indicesSent()
{
    std::vector<int> indices;
    for (const Transfer& t : bus().transfers)
        indices.push_back(t.value & 0xFF);
    return indices;
}

} // namespace fakeusb

using fakeusb::bus;

extern "C" {

int LIBUSB_CALL libusb_init(libusb_context** ctx)
{
    static libusb_context context;
    ++bus().contexts;
    if (ctx != nullptr)
        *ctx = &context;
    return 0;
}

void LIBUSB_CALL libusb_exit(libusb_context*)
{
    --bus().contexts;
}

ssize_t LIBUSB_CALL libusb_get_device_list(libusb_context*, libusb_device*** list)
{
    ++bus().listCalls;
    std::vector<libusb_device*> found;
    for (std::size_t i = 0; i < bus().devices.size(); ++i)
        if (bus().devices[i].plugged) {
            found.push_back(new libusb_device{static_cast<int>(i), 1});
            ++bus().deviceRefs;
        }
    auto* array = new libusb_device*[found.size() + 1];
    std::copy(found.begin(), found.end(), array);
    array[found.size()] = nullptr;
    *list = array;
    return static_cast<ssize_t>(found.size());
}

libusb_device* LIBUSB_CALL libusb_ref_device(libusb_device* dev)
{
    ++dev->refs;
    ++bus().deviceRefs;
    return dev;
}

void LIBUSB_CALL libusb_unref_device(libusb_device* dev)
{
    --bus().deviceRefs;
    if (--dev->refs == 0)
        delete dev;
}

void LIBUSB_CALL libusb_free_device_list(libusb_device** list, int unref)
{
    if (unref != 0)
        for (libusb_device** d = list; *d != nullptr; ++d)
            libusb_unref_device(*d);
    delete[] list;
}

int LIBUSB_CALL libusb_get_device_descriptor(libusb_device* dev, libusb_device_descriptor* desc)
{
    const fakeusb::Device& d = bus().devices[static_cast<std::size_t>(dev->index)];
    *desc = libusb_device_descriptor{};
    desc->bLength = LIBUSB_DT_DEVICE_SIZE;
    desc->bDescriptorType = LIBUSB_DT_DEVICE;
    desc->idVendor = d.vendorId;
    desc->idProduct = d.productId;
    return 0;
}

uint8_t LIBUSB_CALL libusb_get_bus_number(libusb_device* dev)
{
    return bus().devices[static_cast<std::size_t>(dev->index)].bus;
}

uint8_t LIBUSB_CALL libusb_get_device_address(libusb_device* dev)
{
    return bus().devices[static_cast<std::size_t>(dev->index)].address;
}

int LIBUSB_CALL libusb_get_port_numbers(libusb_device* dev, uint8_t* port_numbers, int port_numbers_len)
{
    const auto& ports = bus().devices[static_cast<std::size_t>(dev->index)].ports;
    if (static_cast<int>(ports.size()) > port_numbers_len)
        return LIBUSB_ERROR_OVERFLOW;
    std::copy(ports.begin(), ports.end(), port_numbers);
    return static_cast<int>(ports.size());
}

int LIBUSB_CALL libusb_open(libusb_device* dev, libusb_device_handle** dev_handle)
{
    bus().openCalls.push_back(dev->index);
    const fakeusb::Device& d = bus().devices[static_cast<std::size_t>(dev->index)];
    if (!d.plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (d.openError != 0)
        return d.openError;
    libusb_ref_device(dev);
    *dev_handle = new libusb_device_handle{dev};
    ++bus().openHandles;
    return 0;
}

void LIBUSB_CALL libusb_close(libusb_device_handle* dev_handle)
{
    --bus().openHandles;
    libusb_unref_device(dev_handle->device);
    delete dev_handle;
}

libusb_device* LIBUSB_CALL libusb_get_device(libusb_device_handle* dev_handle)
{
    return dev_handle->device;
}

int LIBUSB_CALL libusb_control_transfer(libusb_device_handle* dev_handle, uint8_t request_type,
                                        uint8_t bRequest, uint16_t wValue, uint16_t wIndex,
                                        unsigned char* data, uint16_t wLength, unsigned int timeout)
{
    const int index = dev_handle->device->index;
    bus().transfers.push_back({index, request_type, bRequest, wValue, wIndex, wLength, timeout});
    fakeusb::Device& d = bus().devices[static_cast<std::size_t>(index)];
    if (!d.plugged)
        return LIBUSB_ERROR_NO_DEVICE;
    if (!d.answer)
        return LIBUSB_ERROR_PIPE;
    return d.answer(wValue & 0xFF, data, wLength);
}

} // extern "C"
