// The udisks2 mounter against a stand-in udisks2 service on a private message bus of its own.
#include "platform/udisks/UDisksMounter.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <mutex>

namespace kavro::test {
namespace {

const QString kBlock = QStringLiteral("/org/freedesktop/UDisks2/block_devices/sr0");

// Answers as udisks2 does for one optical drive, /dev/sr0; notes each call with its options.
class StandInUDisks final : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override
    {
        std::lock_guard lock(mutex);
        QVariantMap options;
        const QVariant last = m.arguments().isEmpty() ? QVariant() : m.arguments().constLast();
        if (last.canConvert<QDBusArgument>())
            options = qdbus_cast<QVariantMap>(last.value<QDBusArgument>());
        QString call = m.path() + QLatin1Char(' ') + m.member();
        if (options.contains(QStringLiteral("options")))
            call += QLatin1Char(' ') + options.value(QStringLiteral("options")).toString();
        calls.push_back(call.toStdString());
        QDBusMessage reply;
        if (m.member() == QStringLiteral("ResolveDevice")) {
            const QVariantMap spec = qdbus_cast<QVariantMap>(m.arguments().constFirst().value<QDBusArgument>());
            QList<QDBusObjectPath> found;
            if (spec.value(QStringLiteral("path")).toString() == QStringLiteral("/dev/sr0"))
                found.push_back(QDBusObjectPath(kBlock));
            reply = m.createReply(QVariant::fromValue(found));
        } else if (m.path() != kBlock || !hasFilesystem) {
            reply = m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), QStringLiteral("No such interface"));
        } else if (m.member() == QStringLiteral("Mount")) {
            reply = mounted ? m.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.AlreadyMounted"),
                                                 QStringLiteral("Device /dev/sr0 is already mounted"))
                            : m.createReply(QStringLiteral("/media/user/DISC"));
            mounted = true;
        } else if (m.member() == QStringLiteral("Unmount")) {
            reply = mounted ? m.createReply() : m.createErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted"), QStringLiteral("not mounted"));
            mounted = false;
        }
        bus.send(reply);
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::mutex mutex;
    std::vector<std::string> calls;
    bool hasFilesystem = true;
    bool mounted = false;
};

class UDisksMounterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        ASSERT_TRUE(m_daemon.waitForStarted(5000));
        QByteArray address;
        while (!address.contains('\n') && m_daemon.waitForReadyRead(5000))
            address += m_daemon.readAllStandardOutput();
        address = address.trimmed();
        ASSERT_FALSE(address.isEmpty());
        QDBusConnection serviceBus = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("udisks"));
        ASSERT_TRUE(serviceBus.registerService(QStringLiteral("org.freedesktop.UDisks2")));
        // Registered from this thread (registering gives the object a child, which must be made
        // where the object lives); then the service answers on a thread of its own while the
        // mounter's calls block this one.
        ASSERT_TRUE(serviceBus.registerVirtualObject(QStringLiteral("/org/freedesktop/UDisks2"), &service,
                                                     QDBusConnection::SubPath));
        m_thread.start();
        service.moveToThread(&m_thread);
        m_client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("client")));
        ASSERT_TRUE(m_client->isConnected());
    }

    void TearDown() override
    {
        m_client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("udisks"));
        m_thread.quit();
        m_thread.wait();
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    StandInUDisks service;
    std::unique_ptr<QDBusConnection> m_client;

private:
    QProcess m_daemon;
    QThread m_thread;
};

TEST_F(UDisksMounterTest, MountsReadOnlyByDevicePathAndUnmountsWhatItMounted)
{
    UDisksMounter mounter(*m_client, 5000);
    const DiscMounter::Result first = mounter.mountReadOnly("/dev/sr0");
    EXPECT_TRUE(first.mounted && first.mountedNow) << first.error;
    // Mounted meanwhile (by the desktop): mounted, but not ours to unmount.
    const DiscMounter::Result again = mounter.mountReadOnly("/dev/sr0");
    EXPECT_TRUE(again.mounted && !again.mountedNow) << again.error;
    EXPECT_TRUE(mounter.unmount("/dev/sr0"));
    EXPECT_EQ(service.calls, (std::vector<std::string>{
                                 "/org/freedesktop/UDisks2/Manager ResolveDevice",
                                 "/org/freedesktop/UDisks2/block_devices/sr0 Mount ro",
                                 "/org/freedesktop/UDisks2/Manager ResolveDevice",
                                 "/org/freedesktop/UDisks2/block_devices/sr0 Mount ro",
                                 "/org/freedesktop/UDisks2/Manager ResolveDevice",
                                 "/org/freedesktop/UDisks2/block_devices/sr0 Unmount",
                             }));
}

TEST_F(UDisksMounterTest, ADeviceWithoutFileSystemOrUnknownOrNoBusIsToldNotMounted)
{
    UDisksMounter mounter(*m_client, 5000);
    EXPECT_NE(mounter.mountReadOnly("/dev/sr5").error.find("does not know /dev/sr5"), std::string::npos);
    service.hasFilesystem = false;
    const DiscMounter::Result none = mounter.mountReadOnly("/dev/sr0");
    EXPECT_FALSE(none.mounted);
    EXPECT_NE(none.error.find("no file system"), std::string::npos) << none.error;

    UDisksMounter nobody(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none")));
    const DiscMounter::Result unreachable = nobody.mountReadOnly("/dev/sr0");
    EXPECT_FALSE(unreachable.mounted);
    EXPECT_NE(unreachable.error.find("system bus"), std::string::npos) << unreachable.error;
}

} // namespace
} // namespace kavro::test
