#pragma once

#include <QObject>

// Wi-Fi association changes (connect, disconnect, roam) and network-path changes
// (links, addresses, routes), delivered on the main thread. One burst of kernel
// messages read together is one event.
class NetworkEventSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void networkChanged();
};
