#include "platform/StatusNotifierClicks.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QPointer>
#include <QTimer>

namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");

} // namespace

StatusNotifierClicks::~StatusNotifierClicks() {
    if (!connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName);
}

bool StatusNotifierClicks::watch(const QString& busAddress, const QString& itemConnection) {
    if (!connectionName.isEmpty() || itemConnection.isEmpty())
        return false;
    // A monitor may send nothing once it is one, so it is a connection of its
    // own, never one the program talks on.
    connectionName = QStringLiteral("veltrano-item-clicks");
    QDBusConnection monitor = busAddress.isEmpty()
                                  ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName)
                                  : QDBusConnection::connectToBus(busAddress, connectionName);
    if (!monitor.isConnected())
        return false;
    // Only a host's click on our item: a position, nothing the user typed.
    const QString rule = QStringLiteral("type='method_call',interface='%1',member='Activate',path='%2',"
                                        "destination='%3'")
                             .arg(itemInterface, itemPath, itemConnection);
    QDBusMessage become = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Monitoring"), QStringLiteral("BecomeMonitor"));
    become << QStringList{rule} << 0u;
    if (!monitor.registerVirtualObject(itemPath, this))
        return false;
    const QDBusMessage answer = monitor.call(become, QDBus::Block, 2000);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        monitor.unregisterObject(itemPath);
        return false;
    }
    return true;
}

void StatusNotifierClicks::watchOurItem() {
    lookForOurItem(5);
}

void StatusNotifierClicks::lookForOurItem(int attemptsLeft) {
    if (attemptsLeft <= 0 || !connectionName.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("RegisteredStatusNotifierItems");
    // The watcher is the panel, which may be busy: never waited for.
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(get, 2000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, attemptsLeft](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusReply<QDBusVariant> items = *call;
                QDBusConnectionInterface* daemon = QDBusConnection::sessionBus().interface();
                const auto ours = QCoreApplication::applicationPid();
                // Entries read ":1.16/StatusNotifierItem", ":1.16@/StatusNotifierItem" or a
                // well-known name; the bus itself answers at once who owns each.
                for (const QString& item :
                     items.isValid() ? items.value().variant().toStringList() : QStringList()) {
                    QString service = item.section(u'/', 0, 0);
                    if (service.endsWith(u'@'))
                        service.chop(1);
                    const QDBusReply<QString> owner = daemon->serviceOwner(service);
                    if (owner.isValid() && daemon->servicePid(owner.value()).value() == uint(ours)) {
                        watch(QString(), owner.value());
                        return;
                    }
                }
                QTimer::singleShot(std::chrono::seconds(1), this,
                                   [this, attemptsLeft] { lookForOurItem(attemptsLeft - 1); });
            });
}

std::optional<QPoint> StatusNotifierClicks::recentClick(std::chrono::milliseconds within) const {
    if (!lastClick || sinceClick.elapsed() > within.count())
        return std::nullopt;
    return lastClick;
}

QString StatusNotifierClicks::introspect(const QString&) const {
    return QString();
}

bool StatusNotifierClicks::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    const QList<QVariant> arguments = message.arguments();
    // Some hosts send 0, 0 when they know no position: no position, then.
    if (message.interface() == itemInterface && message.member() == QLatin1String("Activate") &&
        arguments.size() == 2 && (arguments[0].toInt() != 0 || arguments[1].toInt() != 0)) {
        lastClick = QPoint(arguments[0].toInt(), arguments[1].toInt());
        sinceClick.start();
        Q_EMIT clicked(*lastClick);
    }
    // Copies are not answered: the item's own connection does that.
    return true;
}
