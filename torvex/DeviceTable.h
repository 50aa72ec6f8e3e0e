#pragma once

#include "torvex/Transport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace torvex {

inline constexpr int kMaxDevices = 60;
inline constexpr std::uint32_t kEnumeratedMarker = 9943;
inline constexpr std::uint16_t kVendorId = 1204;   // 0x04B4
inline constexpr std::uint16_t kProductId = 23195; // 0x5A9B

// Index requests of the command set.
enum Code : int {
    kCodeModel = 9,
    kCodeId = 10,
    kCodeReset = 11,
    kCodeMove = 12,
    kCodeCdDown = 14,
    kCodePowerOn = 15,
    kCodePowerOff = 16,
    kCodeStatus = 17,
    kCodeDriveSlot = 18,
    kCodeLoadDrive = 19,
    kCodeEject = 20,
    kCodeDriveCounter = 21,
    kCodeClearCounter = 22,
};

struct DeviceEntry {
    std::string DevicePath; // at most 255 bytes, as the system's path buffer holds
    Handle handle = kInvalidHandle;
    std::int32_t DeviceId = -1;
    std::int32_t DriveCapable = -1; // -1 model unreadable, 0 model "1234567...", 1 otherwise
};

// The library's module state. One instance for the process; calls come from one thread.
struct LibraryState {
    std::array<DeviceEntry, kMaxDevices> DeviceTable{};
    int DeviceCount = 0;
    std::uint32_t EnumeratedMarker = 0;
    std::uint16_t matchVendor = 0;
    std::uint16_t matchProduct = 0;
    std::array<std::int32_t, kMaxDevices> BaselineIds{};
    std::array<std::int32_t, kMaxDevices> CurrentIds{};
    std::array<std::uint16_t, kReplyUnits> ReplyBuffer{};
    int lastOpenedIndex = -1;
    // Cabinets of the latest enumeration that were listed as 04b4:5a9b but would not open; they
    // are not in the table, as the exports know only machines that answered.
    std::vector<UnopenedCabinet> unopened;
};

LibraryState& state();

// Internal operations the exports are built on.
void ResetDeviceTable();
int EnumerateDevices(); // 0, or the system's error number when the device list is unobtainable
int FindDevice(std::int32_t deviceId);
void OpenDevice(int index);
int QueryString(std::int32_t deviceId, int index, bool needsDrive); // 0, 1 or 3
int SendCommand(std::int32_t deviceId, int index, bool needsDrive); // a result code

// For tools and the program's diagnostics (not exported): the cabinets of the latest
// enumeration that could not be opened, and why.
const std::vector<UnopenedCabinet>& unopenedCabinets();

} // namespace torvex
