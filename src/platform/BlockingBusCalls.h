#pragma once

#include <QDBusConnection>
#include <QDBusError>
#include <QVariant>

// Blocking calls over one bus connection, for readers that run on the thread
// pool: no object of ours lives on the connection's thread, and every call
// gives up after a few seconds, so a hung service costs one check its time.
class BlockingBusCalls {
public:
    struct Reply {
        // The first argument of the reply; a property's value comes unwrapped.
        QVariant value;
        // Valid when the call failed, a time-out included.
        QDBusError error;

        bool failed() const { return error.isValid(); }
        // Nobody owns the name and the bus could not start anyone for it.
        bool serviceAbsent() const;
    };

    explicit BlockingBusCalls(QDBusConnection connection);

    Reply call(const QString& service, const QString& path, const QString& interface, const QString& method,
               const QVariantList& arguments = {}) const;
    Reply property(const QString& service, const QString& path, const QString& interface,
                   const QString& name) const;
    // Asks the bus itself, so a service that would be started on demand is not.
    bool isRunning(const QString& service) const;

private:
    QDBusConnection connection;
};
