#pragma once

#include "platform/DiscMounter.h"

#include <QDBusConnection>
#include <QString>

#include <optional>

namespace kavro {

// Mounts through udisks2 on the system bus, as the desktop does and without root: the device's
// object is found by its path (Manager.ResolveDevice) and its Filesystem mounted with the
// option "ro". No password dialog is raised: a run may be unattended, and the desktop's own
// policy lets the person at the computer mount a disc without one.
class UDisksMounter final : public DiscMounter {
public:
    explicit UDisksMounter(QDBusConnection bus = QDBusConnection::systemBus(), int timeoutMs = 30000);

    Result mountReadOnly(const std::string& device) override;
    bool unmount(const std::string& device) override;

private:
    // The object path of the device's block object; nullopt with `error` set when there is none.
    std::optional<QString> objectOf(const std::string& device, std::string& error);

    QDBusConnection m_bus;
    int m_timeoutMs;
};

} // namespace kavro
