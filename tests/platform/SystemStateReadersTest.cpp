#include "PrivateSessionBus.h"
#include "TestEnvironment.h"
#include "platform/DBusNetworkManager.h"
#include "platform/DBusPowerProfiles.h"
#include "platform/LinuxFirewallPolicy.h"
#include "platform/TimedatedSynchronisation.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>
#include <future>
#include <gtest/gtest.h>

namespace {

using ConnectionSettings = QMap<QString, QVariantMap>;

const QString networkManager = QStringLiteral("org.freedesktop.NetworkManager");

class FakeNetworkManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
public:
    QMap<QString, QString> devices;

public Q_SLOTS:
    QDBusObjectPath GetDeviceByIpIface(const QString& interfaceName) {
        if (!devices.contains(interfaceName))
            sendErrorReply(QStringLiteral("org.freedesktop.NetworkManager.UnknownDevice"),
                           QStringLiteral("No device found for the requested iface."));
        return QDBusObjectPath(devices.value(interfaceName, QStringLiteral("/")));
    }
};

class FakeDevice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Device")
    Q_PROPERTY(QDBusObjectPath ActiveConnection MEMBER activeConnection)
public:
    explicit FakeDevice(const QString& activeConnection)
        : activeConnection(activeConnection) {}
    QDBusObjectPath activeConnection;
};

class FakeActiveConnection : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(QDBusObjectPath Connection MEMBER connection)
public:
    QDBusObjectPath connection{QStringLiteral("/org/freedesktop/NetworkManager/Settings/7")};
};

// A saved profile, with values of the types NetworkManager sends: bytes for the
// SSID, an array of dicts for the addresses.
class FakeConnectionSettings : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Settings.Connection")
public:
    ConnectionSettings settings{
        {QStringLiteral("connection"),
         {{QStringLiteral("id"), QStringLiteral("Studio")},
          {QStringLiteral("stable-id"), QStringLiteral("${CONNECTION}/${BOOT}")}}},
        {QStringLiteral("802-11-wireless"),
         {{QStringLiteral("ssid"), QByteArray("Studio")},
          {QStringLiteral("powersave"), 3u},
          {QStringLiteral("assigned-mac-address"), QStringLiteral("stable")}}},
        {QStringLiteral("ipv4"),
         {{QStringLiteral("address-data"),
           QVariant::fromValue(QList<QVariantMap>{{{QStringLiteral("address"), QStringLiteral("10.0.0.5")},
                                                   {QStringLiteral("prefix"), 24u}}})}}}};
    ConnectionSettings updated;
    uint updateFlags = 0;
    bool refuse = false;

public Q_SLOTS:
    ConnectionSettings GetSettings() { return settings; }
    QVariantMap Update2(const ConnectionSettings& received, uint flags, const QVariantMap&) {
        if (refuse)
            sendErrorReply(QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied"),
                           QStringLiteral("Insufficient privileges"));
        else
            std::tie(updated, updateFlags) = std::pair(received, flags);
        return {};
    }
};

class FakeTimedated : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTPSynchronized MEMBER synchronised)
public:
    bool synchronised = true;
};

class FakePowerProfilesDaemon : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString ActiveProfile MEMBER activeProfile)
public:
    explicit FakePowerProfilesDaemon(const QString& activeProfile)
        : activeProfile(activeProfile) {}
    QString activeProfile;
};

class FakeHadessPowerProfiles : public FakePowerProfilesDaemon {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "net.hadess.PowerProfiles")
public:
    using FakePowerProfilesDaemon::FakePowerProfilesDaemon;
};

class FakeUPowerPowerProfiles : public FakePowerProfilesDaemon {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UPower.PowerProfiles")
public:
    using FakePowerProfilesDaemon::FakePowerProfilesDaemon;
};

// firewalld answers both interfaces on one object, so each is an adaptor.
class FakeFirewalld : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.fedoraproject.FirewallD1")
public:
    explicit FakeFirewalld(QObject* object)
        : QDBusAbstractAdaptor(object) {}
    QString defaultZone = QStringLiteral("public");

public Q_SLOTS:
    QString getDefaultZone() { return defaultZone; }
};

// Qt hands the call's context to the object, not to its adaptor.
class FakeFirewalldZones : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.fedoraproject.FirewallD1.zone")
public:
    FakeFirewalldZones(QObject* object, QDBusContext* context)
        : QDBusAbstractAdaptor(object)
        , context(context) {}
    QMap<QString, QString> sourceZones;
    QMap<QString, QString> interfaceZones;
    QMap<QString, QString> targets{{QStringLiteral("public"), QStringLiteral("default")},
                                   {QStringLiteral("trusted"), QStringLiteral("ACCEPT")},
                                   {QStringLiteral("work"), QStringLiteral("%%REJECT%%")}};

public Q_SLOTS:
    QString getZoneOfSource(const QString& source) { return sourceZones.value(source); }
    QString getZoneOfInterface(const QString& interfaceName) { return interfaceZones.value(interfaceName); }
    QVariantMap getZoneSettings2(const QString& zone) {
        if (!targets.contains(zone))
            context->sendErrorReply(QStringLiteral("org.fedoraproject.FirewallD1.Exception"),
                                    QStringLiteral("INVALID_ZONE: ") + zone);
        return {{QStringLiteral("target"), targets.value(zone)}};
    }

private:
    QDBusContext* context;
};

class FirewalldObject : public QObject, public QDBusContext {
    Q_OBJECT
public:
    FakeFirewalld* main = new FakeFirewalld(this);
    FakeFirewalldZones* zones = new FakeFirewalldZones(this, this);
};

// The readers block, and the fakes answer on the main thread's loop, so each
// reading runs on a thread of its own while the loop serves.
template <typename Reading> auto offMainThread(Reading reading) {
    auto answer = std::async(std::launch::async, reading);
    EXPECT_TRUE(
        waitUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return answer.get();
}

class SystemStateReaders : public testing::Test {
protected:
    void SetUp() override {
        if (bus.address.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed (scripts/setup --tests installs it)";
        qDBusRegisterMetaType<ConnectionSettings>();
        // Qt finds the fake's slot for an argument by the type's name as written.
        qRegisterMetaType<ConnectionSettings>("ConnectionSettings");
        qDBusRegisterMetaType<QList<QVariantMap>>();
        service = bus.connect(QStringLiteral("service"));
        client = bus.connect(QStringLiteral("client"));
    }

    void serve(const QString& path, QObject* object) {
        ASSERT_TRUE(service.registerObject(
            path, object, QDBusConnection::ExportAllContents | QDBusConnection::ExportAdaptors));
    }
    void own(const QString& name) { ASSERT_TRUE(service.registerService(name)); }

    // Declared first, so that it closes the connections after they are done.
    PrivateSessionBus bus;
    QDBusConnection service{QString()};
    QDBusConnection client{QString()};
};

// From the interface through device and active connection to the profile; each
// link that is missing says which.
TEST_F(SystemStateReaders, NetworkManagerGivesTheProfileActiveOnAnInterface) {
    DBusNetworkManager reader(client);
    const auto read = [&](const QString& interfaceName) {
        return offMainThread([&] { return reader.wifiConnection(interfaceName); });
    };
    EXPECT_EQ(read(QStringLiteral("wlan0")).whyUnreadable, QStringLiteral("NetworkManager is not running"));

    FakeNetworkManager manager;
    manager.devices = {
        {QStringLiteral("wlan0"), QStringLiteral("/org/freedesktop/NetworkManager/Devices/3")},
        {QStringLiteral("wlan1"), QStringLiteral("/org/freedesktop/NetworkManager/Devices/4")}};
    FakeDevice connected(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/1"));
    FakeDevice idle(QStringLiteral("/"));
    FakeActiveConnection active;
    FakeConnectionSettings profile;
    serve(QStringLiteral("/org/freedesktop/NetworkManager"), &manager);
    serve(QStringLiteral("/org/freedesktop/NetworkManager/Devices/3"), &connected);
    serve(QStringLiteral("/org/freedesktop/NetworkManager/Devices/4"), &idle);
    serve(QStringLiteral("/org/freedesktop/NetworkManager/ActiveConnection/1"), &active);
    serve(QStringLiteral("/org/freedesktop/NetworkManager/Settings/7"), &profile);
    own(networkManager);

    const auto answer = read(QStringLiteral("wlan0"));
    EXPECT_EQ(answer.value,
              (WifiConnectionSettings{QStringLiteral("/org/freedesktop/NetworkManager/Settings/7"),
                                      QStringLiteral("Studio"), WifiConnectionSettings::PowerSave::enable,
                                      QStringLiteral("stable"), QStringLiteral("${CONNECTION}/${BOOT}")}))
        << answer.whyUnreadable.toStdString();
    EXPECT_EQ(read(QStringLiteral("wlan1")).whyUnreadable,
              QStringLiteral("NetworkManager has no active connection on wlan1"));
    EXPECT_EQ(read(QStringLiteral("wlan9")).whyUnreadable,
              QStringLiteral("NetworkManager does not manage wlan9"));

    profile.settings.remove(QStringLiteral("802-11-wireless"));
    EXPECT_EQ(read(QStringLiteral("wlan0")).whyUnreadable,
              QStringLiteral("\"Studio\" on wlan0 is not a Wi-Fi connection"));
}

// The update carries the whole profile back: what we did not touch keeps its
// D-Bus type, or NetworkManager would refuse it or save something else.
TEST_F(SystemStateReaders, NetworkManagerSavesThePowerSaveOffAndPassesOnARefusal) {
    FakeConnectionSettings profile;
    const QString path = QStringLiteral("/org/freedesktop/NetworkManager/Settings/7");
    serve(path, &profile);
    own(networkManager);
    DBusNetworkManager writer(client);

    EXPECT_EQ(offMainThread([&] { return writer.disablePowerSave(path); }).value_or(QString()).toStdString(),
              "");
    EXPECT_EQ(profile.updateFlags, 0x1u);
    const QVariantMap wifi = profile.updated.value(QStringLiteral("802-11-wireless"));
    EXPECT_EQ(wifi.value(QStringLiteral("powersave")), QVariant(2u));
    EXPECT_EQ(wifi.value(QStringLiteral("ssid")), QVariant(QByteArray("Studio")));
    EXPECT_EQ(wifi.value(QStringLiteral("assigned-mac-address")), QVariant(QStringLiteral("stable")));
    EXPECT_EQ(profile.updated.value(QStringLiteral("connection")),
              profile.settings.value(QStringLiteral("connection")));
    const QVariant addresses =
        profile.updated.value(QStringLiteral("ipv4")).value(QStringLiteral("address-data"));
    EXPECT_EQ(addresses.value<QDBusArgument>().currentSignature(), QStringLiteral("aa{sv}"));

    profile.refuse = true;
    EXPECT_EQ(offMainThread([&] { return writer.disablePowerSave(path); }),
              QStringLiteral("Insufficient privileges"));
}

TEST_F(SystemStateReaders, ClockSynchronisationAndPowerProfileComeFromTheirDaemons) {
    TimedatedSynchronisation clock(client);
    DBusPowerProfiles power(client);
    EXPECT_EQ(offMainThread([&] { return clock.isSynchronised(); }).whyUnreadable,
              QStringLiteral("systemd-timedated is not available"));
    EXPECT_EQ(offMainThread([&] { return power.activeProfile(); }).whyUnreadable,
              QStringLiteral("power-profiles-daemon is not running"));

    FakeTimedated timedated;
    serve(QStringLiteral("/org/freedesktop/timedate1"), &timedated);
    own(QStringLiteral("org.freedesktop.timedate1"));
    EXPECT_EQ(offMainThread([&] { return clock.isSynchronised(); }).value, true);
    timedated.synchronised = false;
    EXPECT_EQ(offMainThread([&] { return clock.isSynchronised(); }).value, false);

    FakeUPowerPowerProfiles upower(QStringLiteral("balanced"));
    serve(QStringLiteral("/org/freedesktop/UPower/PowerProfiles"), &upower);
    own(QStringLiteral("org.freedesktop.UPower.PowerProfiles"));
    EXPECT_EQ(offMainThread([&] { return power.activeProfile(); }).value, QStringLiteral("balanced"));
    FakeHadessPowerProfiles hadess(QStringLiteral("performance"));
    serve(QStringLiteral("/net/hadess/PowerProfiles"), &hadess);
    own(QStringLiteral("net.hadess.PowerProfiles"));
    EXPECT_EQ(offMainThread([&] { return power.activeProfile(); }).value, QStringLiteral("performance"));
}

// firewalld picks the zone by the camera's address, then the interface, then
// the default; ufw is read from its files.
TEST_F(SystemStateReaders, FirewallsSayWhichOneRefusesTheCamera) {
    TestEnvironment files;
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(files.path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    LinuxFirewallPolicy policy(client, files.path(QStringLiteral("ufw.conf")),
                               files.path(QStringLiteral("ufw")));
    const QHostAddress camera(QStringLiteral("192.168.8.20"));
    const auto refusal = [&] {
        return offMainThread([&] { return policy.refusal(QStringLiteral("wlan0"), camera); });
    };
    EXPECT_EQ(refusal().value, QString());

    write(QStringLiteral("ufw"), "IPV6=yes\nDEFAULT_INPUT_POLICY=\"DROP\"\n");
    write(QStringLiteral("ufw.conf"), "# set to yes to start on boot\nENABLED=no\n");
    EXPECT_EQ(refusal().value, QString());
    write(QStringLiteral("ufw.conf"), "ENABLED=yes\nLOGLEVEL=low\n");
    EXPECT_EQ(refusal().value, QStringLiteral("ufw refuses incoming connections by default"));
    write(QStringLiteral("ufw.conf"), "ENABLED=no\n");

    FirewalldObject firewalld;
    serve(QStringLiteral("/org/fedoraproject/FirewallD1"), &firewalld);
    own(QStringLiteral("org.fedoraproject.FirewallD1"));
    EXPECT_EQ(refusal().value,
              QStringLiteral("firewalld's zone \"public\" refuses incoming connections from the camera"));
    firewalld.zones->interfaceZones[QStringLiteral("wlan0")] = QStringLiteral("trusted");
    EXPECT_EQ(refusal().value, QString());
    firewalld.zones->sourceZones[camera.toString()] = QStringLiteral("work");
    EXPECT_EQ(refusal().value,
              QStringLiteral("firewalld's zone \"work\" refuses incoming connections from the camera"));

    firewalld.zones->sourceZones.clear();
    firewalld.zones->interfaceZones.clear();
    firewalld.main->defaultZone = QStringLiteral("gone");
    EXPECT_EQ(refusal().whyUnreadable, QStringLiteral("firewalld: INVALID_ZONE: gone"));
}

} // namespace

#include "SystemStateReadersTest.moc"
