#pragma once

#include "platform/DesktopNotifier.h"

#include <QDBusConnection>
#include <QObject>
#include <functional>

// Notifications through the desktop's org.freedesktop.Notifications service.
// The call is asynchronous; where there is no bus, or the service does not
// answer, the message goes to `fallback` instead (the tray's own balloon).
// Main thread only.
class FreedesktopNotifier : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    using Fallback = std::function<void(const QString& summary, const QString& body)>;

    FreedesktopNotifier(QDBusConnection bus, Fallback fallback, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body) override;

private:
    QDBusConnection bus;
    Fallback fallback;
};
