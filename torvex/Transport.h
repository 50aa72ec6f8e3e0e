#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace torvex {

// Number of UTF-16 units in a reply buffer (256 bytes).
inline constexpr std::size_t kReplyUnits = 128;

// An open device; kInvalidHandle means "not open".
using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Why a device could not be opened.
struct OpenFailure {
    enum class Kind {
        Unknown,
        AccessDenied, // no udev rule gives this user the device node, or the wrong group
        Gone,         // unplugged since the listing
        Busy,         // held exclusively by another program
        Other,
    };
    Kind kind = Kind::Unknown;
    std::string detail; // the system's own words ("LIBUSB_ERROR_IO"), empty when none
};

// A cabinet the system listed (by its ids, read without opening it) that would not open.
struct UnopenedCabinet {
    std::string path;
    OpenFailure failure;
};

// A short English reason ("permission denied") and, where there is one, what to do about it.
std::string openFailureText(const OpenFailure& failure);
std::string openFailureFix(const OpenFailure& failure);

// The five things the library needs from the system to reach a machine. One implementation
// speaks libusb, one simulates cabinets; tests add scripted ones.
class Transport {
public:
    virtual ~Transport() = default;

    // Paths of the present devices, in a stable order. False when the list cannot be obtained;
    // error then holds the system's error number.
    virtual bool listDevices(std::vector<std::string>& paths, int& error) = 0;

    // Opens a path for reading and writing; kInvalidHandle on failure.
    virtual Handle open(const std::string& path) = 0;

    // Vendor and product id of an open device; false when they cannot be read.
    virtual bool attributes(Handle handle, std::uint16_t& vendorId, std::uint16_t& productId) = 0;

    // Requests indexed string `index` into `units` (kReplyUnits UTF-16 units, zeroed by the
    // caller); the reply's units are written from the start. False when the request fails.
    virtual bool indexedString(Handle handle, int index, std::uint16_t* units) = 0;

    virtual void close(Handle handle) = 0;

    // Vendor and product id of a listed device as the system already knows them, without
    // opening it. False when only an open can tell; the library then opens and asks.
    virtual bool listedIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId)
    {
        (void)path;
        (void)vendorId;
        (void)productId;
        return false;
    }

    // Why the latest open() failed.
    virtual OpenFailure lastOpenFailure() const { return {}; }
};

// The transport the library uses. Chosen on first use: the simulated cabinets described by
// the file named in TORVEX_SIMULATOR when that is set, else USB.
Transport& activeTransport();

// Replaces the transport for the whole process (tests); nullptr goes back to the default choice.
void setTransport(std::unique_ptr<Transport> transport);

// Made by the transports' own files.
std::unique_ptr<Transport> makeUsbTransport();
std::unique_ptr<Transport> makeSimulatorFromFile(const std::string& path);

} // namespace torvex
