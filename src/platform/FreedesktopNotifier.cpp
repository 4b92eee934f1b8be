#include "platform/FreedesktopNotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

namespace {

const QString appId = QStringLiteral("com.brightfold.Veltrano");
// A notification service that takes longer than this is not going to show it.
constexpr int callTimeoutMs = 5000;

} // namespace

FreedesktopNotifier::FreedesktopNotifier(QDBusConnection bus, Fallback fallback, QObject* parent)
    : QObject(parent)
    , bus(std::move(bus))
    , fallback(std::move(fallback)) {}

void FreedesktopNotifier::notify(const QString& summary, const QString& body) {
    if (!bus.isConnected()) {
        fallback(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the desktop group our messages under our name and icon.
    call << QStringLiteral("Veltrano") << 0u << appId << summary << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), appId}} << -1;
    // The watcher is ours, so an answer after we are gone finds nobody to call.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, summary, body](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (finished->isError())
                    fallback(summary, body);
            });
}
