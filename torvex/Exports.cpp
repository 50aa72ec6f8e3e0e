// The seventeen exported operations, built on the device table and the reply mapping.
#include "torvex/torvex.h"

#include "torvex/DeviceTable.h"
#include "torvex/ReplyCodes.h"

using namespace torvex;

namespace {

void setMatchingIds()
{
    state().matchVendor = kVendorId;
    state().matchProduct = kProductId;
}

// A first code, then the slot as a second request (without the drive requirement) only when
// the first answered 0.
int twoStep(int id, int firstCode, bool firstNeedsDrive, int slot)
{
    // The slot travels as a one-byte string index: 0 would ask for the language list and a
    // number above 255 would reach another slot. Refuse it before the machine is told to wait
    // for a slot.
    if (slot < 1 || slot > 255)
        return USBCD_FAIL;
    const int first = SendCommand(id, firstCode, firstNeedsDrive);
    if (first != USBCD_OK)
        return first;
    return SendCommand(id, slot, false);
}

} // namespace

extern "C" {

TORVEX_API int TORVEX_CALL InitUSBKavro(void)
{
    ResetDeviceTable();
    setMatchingIds();
    state().BaselineIds.fill(0);
    state().CurrentIds.fill(0);
    if (EnumerateDevices() != 0) {
        state().DeviceCount = 0;
        return USBCD_FAIL;
    }
    state().BaselineIds = state().CurrentIds;
    return USBCD_OK;
}

TORVEX_API int TORVEX_CALL CloseUSBKavro(void)
{
    ResetDeviceTable();
    return USBCD_OK;
}

TORVEX_API int TORVEX_CALL GetDeviceNumber(void)
{
    return state().EnumeratedMarker == kEnumeratedMarker ? state().DeviceCount : 0;
}

TORVEX_API int TORVEX_CALL EnumDevice(int index)
{
    if (state().EnumeratedMarker != kEnumeratedMarker)
        return USBCD_FAIL;
    if (index < 0 || index >= state().DeviceCount)
        return USBCD_NO_DEVICE;
    return state().DeviceTable[static_cast<std::size_t>(index)].DeviceId;
}

TORVEX_API int TORVEX_CALL USBCDReset(int id)
{
    return SendCommand(id, kCodeReset, false);
}

TORVEX_API int TORVEX_CALL USBCDMoveto(int id, int slot)
{
    return twoStep(id, kCodeMove, false, slot);
}

TORVEX_API int TORVEX_CALL USBCDGetCDDown(int id)
{
    return SendCommand(id, kCodeCdDown, false);
}

TORVEX_API int TORVEX_CALL USBCDLEDON(int id)
{
    return SendCommand(id, kCodePowerOn, false);
}

TORVEX_API int TORVEX_CALL USBCDLEDOFF(int id)
{
    return SendCommand(id, kCodePowerOff, false);
}

TORVEX_API int TORVEX_CALL USBCDGetStatus(int id)
{
    return SendCommand(id, kCodeStatus, false);
}

TORVEX_API int TORVEX_CALL USBCDGetType(int id, char* text, int* length)
{
    if (QueryString(id, kCodeModel, true) != USBCD_OK)
        return USBCD_FAIL;
    const auto& reply = state().ReplyBuffer;
    int count = 0;
    while (count < static_cast<int>(kReplyUnits) && reply[static_cast<std::size_t>(count)] != 0) {
        if (text != nullptr)
            text[count] = static_cast<char>(reply[static_cast<std::size_t>(count)] & 0xFF);
        ++count;
    }
    if (text != nullptr)
        text[count] = '\0';
    if (length != nullptr)
        *length = count;
    return USBCD_OK;
}

TORVEX_API int TORVEX_CALL USBCDGetDriveCD(int id)
{
    if (QueryString(id, kCodeDriveSlot, true) != USBCD_OK)
        return 0;
    return state().ReplyBuffer[0];
}

TORVEX_API int TORVEX_CALL USBCDMovetoDrive(int id, int slot)
{
    return twoStep(id, kCodeLoadDrive, true, slot);
}

TORVEX_API int TORVEX_CALL USBCDEject(int id)
{
    return SendCommand(id, kCodeEject, true);
}

TORVEX_API int TORVEX_CALL GetDriveCounter(int id, int* counter)
{
    const int result = QueryString(id, kCodeDriveCounter, true);
    if (result == USBCD_OK && counter != nullptr)
        *counter = idFromUnits(state().ReplyBuffer.data());
    return result;
}

TORVEX_API int TORVEX_CALL ClearDriveCounter(int id)
{
    return SendCommand(id, kCodeClearCounter, true);
}

TORVEX_API int TORVEX_CALL USBCDchanged(void)
{
    ResetDeviceTable();
    setMatchingIds();
    state().CurrentIds.fill(0);
    if (EnumerateDevices() != 0) {
        state().DeviceCount = 0;
        return USBCD_FAIL;
    }
    return state().CurrentIds == state().BaselineIds ? USBCD_OK : USBCD_CHANGED;
}

} // extern "C"
