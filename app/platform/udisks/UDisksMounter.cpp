#include "platform/udisks/UDisksMounter.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace kavro {

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");

std::string errorText(const QDBusMessage& reply)
{
    const QString message = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return message.toStdString();
}

} // namespace

UDisksMounter::UDisksMounter(QDBusConnection bus, int timeoutMs) : m_bus(std::move(bus)), m_timeoutMs(timeoutMs) {}

std::optional<QString> UDisksMounter::objectOf(const std::string& device, std::string& error)
{
    if (!m_bus.isConnected()) {
        error = "the system bus cannot be reached: " + m_bus.lastError().message().toStdString();
        return std::nullopt;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                                       QStringLiteral("org.freedesktop.UDisks2.Manager"),
                                                       QStringLiteral("ResolveDevice"));
    call << QVariantMap{{QStringLiteral("path"), QString::fromStdString(device)}} << QVariantMap{};
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        error = "udisks2 did not answer: " + errorText(reply);
        return std::nullopt;
    }
    const QVariant first = reply.arguments().constFirst();
    const QList<QDBusObjectPath> objects = first.canConvert<QDBusArgument>()
                                               ? qdbus_cast<QList<QDBusObjectPath>>(first.value<QDBusArgument>())
                                               : first.value<QList<QDBusObjectPath>>();
    if (objects.isEmpty()) {
        error = "udisks2 does not know " + device;
        return std::nullopt;
    }
    return objects.constFirst().path();
}

DiscMounter::Result UDisksMounter::mountReadOnly(const std::string& device)
{
    Result result;
    const auto object = objectOf(device, result.error);
    if (!object)
        return result;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, *object, kFilesystem, QStringLiteral("Mount"));
    call << QVariantMap{{QStringLiteral("options"), QStringLiteral("ro")},
                        {QStringLiteral("auth.no_user_interaction"), true}};
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        result.mounted = result.mountedNow = true;
        return result;
    }
    if (reply.errorName() == QStringLiteral("org.freedesktop.UDisks2.Error.AlreadyMounted")) {
        result.mounted = true;
        return result;
    }
    // A disc without a file system (yet: the drive may still be reading it) has no Filesystem.
    if (reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod") ||
        reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"))
        result.error = "udisks2 sees no file system on " + device;
    else
        result.error = errorText(reply);
    return result;
}

bool UDisksMounter::unmount(const std::string& device)
{
    std::string error;
    const auto object = objectOf(device, error);
    if (!object)
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, *object, kFilesystem, QStringLiteral("Unmount"));
    call << QVariantMap{{QStringLiteral("auth.no_user_interaction"), true}};
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, m_timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ||
           reply.errorName() == QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted");
}

} // namespace kavro
