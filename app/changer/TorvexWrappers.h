#pragma once

#include <string>

namespace kavro {

class TorvexCalls;

// The one place the program calls libtorvex. The guarded wrappers turn any exception raised
// during the call into a fixed value, so a fault inside a drive call never ends the flow that
// made it: USBCDGetType 0 (with an empty text), GetDriveCounter -1, USBCDGetDriveCD,
// USBCDMovetoDrive, USBCDEject and USBCDchanged 0. The others pass everything through.
class TorvexWrappers {
public:
    explicit TorvexWrappers(TorvexCalls& calls) : m_calls(calls) {}

    int InitUSBKavro();
    int CloseUSBKavro();
    int GetDeviceNumber();
    int EnumDevice(int index);
    int USBCDReset(int id);
    int USBCDMoveto(int id, int slot);
    int USBCDGetCDDown(int id);
    int USBCDLEDON(int id);
    int USBCDLEDOFF(int id);
    int USBCDGetStatus(int id);

    // Guarded. The model text the machine reported (bytes as sent), empty unless the result is 0.
    int USBCDGetType(int id, std::string& text);
    // Guarded; counter is written only when the result is 0.
    int GetDriveCounter(int id, int& counter);
    // Guarded.
    int USBCDGetDriveCD(int id);
    int USBCDMovetoDrive(int id, int slot);
    int USBCDEject(int id);
    int USBCDchanged();

private:
    TorvexCalls& m_calls;
};

} // namespace kavro
