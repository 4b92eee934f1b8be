#pragma once

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace NotificationName {
inline const QString floatingWindowToggled = QStringLiteral("FloatingWindowToggled");
inline const QString floatingWindowOnTopToggled = QStringLiteral("FloatingWindowOnTopToggled");
inline const QString settingsWindowOnTopToggled = QStringLiteral("SettingsWindowOnTopToggled");
inline const QString debugLoggingToggled = QStringLiteral("DebugLoggingToggled");
inline const QString veltranoDisconnect = QStringLiteral("VeltranoDisconnect");
inline const QString networkGatewayChanged = QStringLiteral("NetworkGatewayChanged");
inline const QString routerBecameUnreachable = QStringLiteral("RouterBecameUnreachable");
inline const QString routerRecovered = QStringLiteral("RouterRecovered");
} // namespace NotificationName

// In-process publish/subscribe. A notification carries an optional Boolean (the
// new value of the setting it announces). Posting is allowed from any thread;
// observers always run on the main thread, and an observer goes away with the
// QObject that owns it.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(std::optional<bool>)>;

    static NotificationCenter& shared();

    void post(const QString& name, std::optional<bool> object = std::nullopt);
    void observe(const QString& name, QObject* owner, Handler handler);

private:
    struct Observer {
        QString name;
        QPointer<QObject> owner;
        Handler handler;
    };

    void deliver(const QString& name, std::optional<bool> object);
    void forgetDestroyedOwners();

    QMutex mutex;
    std::vector<Observer> observers;
};
