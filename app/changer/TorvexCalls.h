#pragma once

namespace kavro {

// The libtorvex operations the program uses, one virtual per export with the export's name and
// arguments. LinkedTorvex forwards to the library; tests put their own in front to watch or
// break calls.
class TorvexCalls {
public:
    virtual ~TorvexCalls() = default;

    virtual int InitUSBKavro() = 0;
    virtual int CloseUSBKavro() = 0;
    virtual int GetDeviceNumber() = 0;
    virtual int EnumDevice(int index) = 0;
    virtual int USBCDReset(int id) = 0;
    virtual int USBCDMoveto(int id, int slot) = 0;
    virtual int USBCDGetCDDown(int id) = 0;
    virtual int USBCDLEDON(int id) = 0;
    virtual int USBCDLEDOFF(int id) = 0;
    virtual int USBCDGetStatus(int id) = 0;
    // text holds at least 129 bytes.
    virtual int USBCDGetType(int id, char* text, int* length) = 0;
    virtual int USBCDGetDriveCD(int id) = 0;
    virtual int USBCDMovetoDrive(int id, int slot) = 0;
    virtual int USBCDEject(int id) = 0;
    virtual int GetDriveCounter(int id, int* counter) = 0;
    virtual int USBCDchanged() = 0;
};

// The calls as libtorvex answers them (the linked library, or the static one in tests).
class LinkedTorvex final : public TorvexCalls {
public:
    int InitUSBKavro() override;
    int CloseUSBKavro() override;
    int GetDeviceNumber() override;
    int EnumDevice(int index) override;
    int USBCDReset(int id) override;
    int USBCDMoveto(int id, int slot) override;
    int USBCDGetCDDown(int id) override;
    int USBCDLEDON(int id) override;
    int USBCDLEDOFF(int id) override;
    int USBCDGetStatus(int id) override;
    int USBCDGetType(int id, char* text, int* length) override;
    int USBCDGetDriveCD(int id) override;
    int USBCDMovetoDrive(int id, int slot) override;
    int USBCDEject(int id) override;
    int GetDriveCounter(int id, int* counter) override;
    int USBCDchanged() override;
};

} // namespace kavro
