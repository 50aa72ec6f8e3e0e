#pragma once

// A stand-in for libusb-1.0, linked into the cabinet tests instead of the real library: a bus
// of scripted devices that records every open and every control transfer.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fakeusb {

// What a device does with one control transfer: fills `data` (at most `length` bytes) and
// returns the number of bytes sent, or a negative libusb error (LIBUSB_ERROR_PIPE, ...).
using Answer = std::function<int(int stringIndex, unsigned char* data, int length)>;

struct Device {
    std::uint8_t bus = 1;
    std::uint8_t address = 1;
    std::vector<std::uint8_t> ports;
    std::uint16_t vendorId = 0x04B4;
    std::uint16_t productId = 0x5A9B;
    int openError = 0; // a libusb error for libusb_open, 0 to open
    bool plugged = true;
    Answer answer;
};

struct Transfer {
    int device = 0; // index into Bus::devices
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
    unsigned timeoutMs = 0;
};

struct Bus {
    std::vector<Device> devices;
    std::vector<Transfer> transfers;
    std::vector<int> openCalls; // device index of every libusb_open, failed ones included
    int openHandles = 0;        // opened and not yet closed
    int deviceRefs = 0;         // references held on listed devices
    int contexts = 0;           // libusb_init minus libusb_exit
    int listCalls = 0;
};

// The one bus of the process; reset() empties it (the test's SetUp and TearDown).
Bus& bus();
void reset();

// A string descriptor as a cabinet sends it: bLength, 3, then the units little-endian.
std::vector<unsigned char> stringDescriptor(const std::vector<std::uint16_t>& units);
std::vector<unsigned char> stringDescriptor(const std::string& text);

// A cabinet of the given id and model that answers "ACK" to every command, with an exact reply
// for some indices.
Answer cabinet(std::int32_t id, const std::string& model,
               std::function<std::vector<unsigned char>(int index)> special = {});

// The string indices of the recorded transfers.
std::vector<int> indicesSent();

} // namespace fakeusb
