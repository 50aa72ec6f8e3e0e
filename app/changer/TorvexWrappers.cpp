#include "changer/TorvexWrappers.h"

#include "changer/TorvexCalls.h"

#include <array>

namespace kavro {

namespace {

template <typename Call> int guarded(int onFault, Call&& call) noexcept
{
    try {
        return call();
    } catch (...) {
        return onFault;
    }
}

} // namespace

int TorvexWrappers::InitUSBKavro()
{
    return m_calls.InitUSBKavro();
}

int TorvexWrappers::CloseUSBKavro()
{
    return m_calls.CloseUSBKavro();
}

int TorvexWrappers::GetDeviceNumber()
{
    return m_calls.GetDeviceNumber();
}

int TorvexWrappers::EnumDevice(int index)
{
    return m_calls.EnumDevice(index);
}

int TorvexWrappers::USBCDReset(int id)
{
    return m_calls.USBCDReset(id);
}

int TorvexWrappers::USBCDMoveto(int id, int slot)
{
    return m_calls.USBCDMoveto(id, slot);
}

int TorvexWrappers::USBCDGetCDDown(int id)
{
    return m_calls.USBCDGetCDDown(id);
}

int TorvexWrappers::USBCDLEDON(int id)
{
    return m_calls.USBCDLEDON(id);
}

int TorvexWrappers::USBCDLEDOFF(int id)
{
    return m_calls.USBCDLEDOFF(id);
}

int TorvexWrappers::USBCDGetStatus(int id)
{
    return m_calls.USBCDGetStatus(id);
}

int TorvexWrappers::USBCDGetType(int id, std::string& text)
{
    text.clear();
    // The library copies at most 128 units and a terminator; the rest is headroom.
    std::array<char, 260> buffer{};
    int length = 0;
    const int result = guarded(0, [&] { return m_calls.USBCDGetType(id, buffer.data(), &length); });
    if (result == 0 && length > 0) {
        const auto n = static_cast<std::size_t>(length) < buffer.size() - 1 ? static_cast<std::size_t>(length)
                                                                            : buffer.size() - 1;
        text.assign(buffer.data(), n);
        // Up to the first zero byte, as the library terminates it.
        text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    }
    return result;
}

int TorvexWrappers::GetDriveCounter(int id, int& counter)
{
    int value = 0;
    const int result = guarded(-1, [&] { return m_calls.GetDriveCounter(id, &value); });
    if (result == 0)
        counter = value;
    return result;
}

int TorvexWrappers::USBCDGetDriveCD(int id)
{
    return guarded(0, [&] { return m_calls.USBCDGetDriveCD(id); });
}

int TorvexWrappers::USBCDMovetoDrive(int id, int slot)
{
    return guarded(0, [&] { return m_calls.USBCDMovetoDrive(id, slot); });
}

int TorvexWrappers::USBCDEject(int id)
{
    return guarded(0, [&] { return m_calls.USBCDEject(id); });
}

int TorvexWrappers::USBCDchanged()
{
    return guarded(0, [&] { return m_calls.USBCDchanged(); });
}

} // namespace kavro
