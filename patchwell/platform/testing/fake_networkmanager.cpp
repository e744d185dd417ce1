// pw-fake-networkmanager [--metered]: a stand-in NetworkManager for tests.
// It takes the name org.freedesktop.NetworkManager on the bus that
// DBUS_SYSTEM_BUS_ADDRESS names (a private dbus-daemon, never the machine's)
// and answers what Qt's network information reads: a manager connected to
// the internet, one active connection with one Ethernet device, whose
// Metered property is yes (1) or no (2). Prints "ready" once it is on the
// bus and runs until ended.

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <cstdio>

namespace {

const char* const kManagerPath = "/org/freedesktop/NetworkManager";
const char* const kConnectionPath = "/org/freedesktop/NetworkManager/ActiveConnection/1";
const char* const kDevicePath = "/org/freedesktop/NetworkManager/Devices/1";

class Manager : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ State)
    Q_PROPERTY(uint Connectivity READ Connectivity)
    Q_PROPERTY(QDBusObjectPath PrimaryConnection READ PrimaryConnection)

public:
    explicit Manager(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    uint State() const { return 70; }        // NM_STATE_CONNECTED_GLOBAL
    uint Connectivity() const { return 4; }  // NM_CONNECTIVITY_FULL
    QDBusObjectPath PrimaryConnection() const {
        return QDBusObjectPath(QString::fromLatin1(kConnectionPath));
    }
};

class ActiveConnection : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QList<QDBusObjectPath> Devices READ Devices)

public:
    explicit ActiveConnection(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QList<QDBusObjectPath> Devices() const {
        return {QDBusObjectPath(QString::fromLatin1(kDevicePath))};
    }
};

class Device : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(uint DeviceType READ DeviceType)
    Q_PROPERTY(uint Metered READ Metered)

public:
    Device(QObject* parent, bool metered) : QDBusAbstractAdaptor(parent), metered_(metered) {}
    uint DeviceType() const { return 1; }  // NM_DEVICE_TYPE_ETHERNET
    uint Metered() const { return metered_ ? 1 : 2; }

private:
    bool metered_;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QDBusObjectPath>>();
    const bool metered = app.arguments().contains(QStringLiteral("--metered"));
    QObject manager, connection, device;
    new Manager(&manager);
    new ActiveConnection(&connection);
    new Device(&device, metered);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.registerObject(QString::fromLatin1(kManagerPath), &manager) ||
        !bus.registerObject(QString::fromLatin1(kConnectionPath), &connection) ||
        !bus.registerObject(QString::fromLatin1(kDevicePath), &device) ||
        !bus.registerService(QStringLiteral("org.freedesktop.NetworkManager"))) {
        std::fprintf(stderr, "pw-fake-networkmanager: not on the bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_networkmanager.moc"
