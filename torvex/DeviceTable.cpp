#include "torvex/DeviceTable.h"

#include "torvex/ReplyCodes.h"
#include "torvex/torvex.h"

#include <vector>

namespace torvex {

LibraryState& state()
{
    static LibraryState s;
    return s;
}

void ResetDeviceTable()
{
    LibraryState& s = state();
    if (s.EnumeratedMarker == kEnumeratedMarker && s.DeviceCount > 0) {
        // Only now: with nothing to close, no transport is chosen (or started) needlessly.
        Transport& transport = activeTransport();
        for (int i = 0; i < s.DeviceCount; ++i) {
            DeviceEntry& entry = s.DeviceTable[static_cast<std::size_t>(i)];
            if (entry.handle != kInvalidHandle)
                transport.close(entry.handle);
        }
    }
    for (DeviceEntry& entry : s.DeviceTable)
        entry = DeviceEntry{};
    s.DeviceCount = 0;
    s.EnumeratedMarker = 0;
    s.unopened.clear();
}

const std::vector<UnopenedCabinet>& unopenedCabinets()
{
    return state().unopened;
}

namespace {

bool request(Transport& transport, Handle handle, int index)
{
    LibraryState& s = state();
    s.ReplyBuffer.fill(0);
    return transport.indexedString(handle, index, s.ReplyBuffer.data());
}

} // namespace

int EnumerateDevices()
{
    LibraryState& s = state();
    Transport& transport = activeTransport();
    s.DeviceCount = 0;
    s.unopened.clear();

    std::vector<std::string> paths;
    int error = 0;
    if (!transport.listDevices(paths, error))
        return error != 0 ? error : 1;

    for (const std::string& path : paths) {
        // The table holds 60 machines; further ones are ignored.
        if (s.DeviceCount >= kMaxDevices)
            break;
        // The system's path buffer holds 255 bytes and a terminator; a longer path cannot be
        // copied whole, so such a device is skipped like one whose detail cannot be read.
        if (path.size() > 255)
            continue;
        // Ids the system already has spare opening hubs, mice and keyboards on every listing.
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        const bool listed = transport.listedIds(path, vendor, product);
        if (listed && (vendor != s.matchVendor || product != s.matchProduct))
            continue;
        DeviceEntry& entry = s.DeviceTable[static_cast<std::size_t>(s.DeviceCount)];
        entry.DevicePath = path;
        const Handle handle = transport.open(path);
        if (handle == kInvalidHandle) {
            if (listed)
                s.unopened.push_back({path, transport.lastOpenFailure()});
            continue;
        }
        if (!transport.attributes(handle, vendor, product) || vendor != s.matchVendor ||
            product != s.matchProduct) {
            transport.close(handle);
            continue;
        }
        entry.handle = handle;

        entry.DeviceId = request(transport, handle, kCodeId) ? idFromUnits(s.ReplyBuffer.data()) : -1;
        s.CurrentIds[static_cast<std::size_t>(s.DeviceCount)] = entry.DeviceId;

        if (request(transport, handle, kCodeModel)) {
            static constexpr char16_t kNoDrive[] = u"1234567";
            bool noDrive = true;
            for (std::size_t i = 0; i < 7; ++i)
                noDrive = noDrive && s.ReplyBuffer[i] == kNoDrive[i];
            entry.DriveCapable = noDrive ? 0 : 1;
        }
        ++s.DeviceCount;
    }
    // An entry whose open or attribute check failed keeps nothing but its path; clear it so
    // the entries past DeviceCount stay empty.
    if (s.DeviceCount < kMaxDevices)
        s.DeviceTable[static_cast<std::size_t>(s.DeviceCount)] = DeviceEntry{};

    s.EnumeratedMarker = kEnumeratedMarker;
    return 0;
}

int FindDevice(std::int32_t deviceId)
{
    const LibraryState& s = state();
    if (s.DeviceCount <= 0 || s.EnumeratedMarker != kEnumeratedMarker)
        return -1;
    for (int i = 0; i < s.DeviceCount; ++i)
        if (s.DeviceTable[static_cast<std::size_t>(i)].DeviceId == deviceId)
            return i;
    return -1;
}

void OpenDevice(int index)
{
    LibraryState& s = state();
    s.lastOpenedIndex = index;
    DeviceEntry& entry = s.DeviceTable[static_cast<std::size_t>(index)];
    if (entry.handle == kInvalidHandle)
        entry.handle = activeTransport().open(entry.DevicePath);
}

int QueryString(std::int32_t deviceId, int index, bool needsDrive)
{
    LibraryState& s = state();
    if (s.EnumeratedMarker != kEnumeratedMarker)
        return USBCD_FAIL;
    const int entryIndex = FindDevice(deviceId);
    if (entryIndex < 0)
        return USBCD_NO_DEVICE;
    DeviceEntry& entry = s.DeviceTable[static_cast<std::size_t>(entryIndex)];
    if (needsDrive && entry.DriveCapable != 1)
        return USBCD_FAIL;
    OpenDevice(entryIndex);
    if (entry.handle == kInvalidHandle)
        return USBCD_FAIL;
    return request(activeTransport(), entry.handle, index) ? USBCD_OK : USBCD_FAIL;
}

int SendCommand(std::int32_t deviceId, int index, bool needsDrive)
{
    const int result = QueryString(deviceId, index, needsDrive);
    if (result != USBCD_OK)
        return result;
    return mapReply(state().ReplyBuffer.data(), kReplyUnits);
}

} // namespace torvex
