#include "changer/TorvexCalls.h"

#include "torvex/torvex.h"

namespace kavro {

int LinkedTorvex::InitUSBKavro()
{
    return ::InitUSBKavro();
}

int LinkedTorvex::CloseUSBKavro()
{
    return ::CloseUSBKavro();
}

int LinkedTorvex::GetDeviceNumber()
{
    return ::GetDeviceNumber();
}

int LinkedTorvex::EnumDevice(int index)
{
    return ::EnumDevice(index);
}

int LinkedTorvex::USBCDReset(int id)
{
    return ::USBCDReset(id);
}

int LinkedTorvex::USBCDMoveto(int id, int slot)
{
    return ::USBCDMoveto(id, slot);
}

int LinkedTorvex::USBCDGetCDDown(int id)
{
    return ::USBCDGetCDDown(id);
}

int LinkedTorvex::USBCDLEDON(int id)
{
    return ::USBCDLEDON(id);
}

int LinkedTorvex::USBCDLEDOFF(int id)
{
    return ::USBCDLEDOFF(id);
}

int LinkedTorvex::USBCDGetStatus(int id)
{
    return ::USBCDGetStatus(id);
}

int LinkedTorvex::USBCDGetType(int id, char* text, int* length)
{
    return ::USBCDGetType(id, text, length);
}

int LinkedTorvex::USBCDGetDriveCD(int id)
{
    return ::USBCDGetDriveCD(id);
}

int LinkedTorvex::USBCDMovetoDrive(int id, int slot)
{
    return ::USBCDMovetoDrive(id, slot);
}

int LinkedTorvex::USBCDEject(int id)
{
    return ::USBCDEject(id);
}

int LinkedTorvex::GetDriveCounter(int id, int* counter)
{
    return ::GetDriveCounter(id, counter);
}

int LinkedTorvex::USBCDchanged()
{
    return ::USBCDchanged();
}

} // namespace kavro
