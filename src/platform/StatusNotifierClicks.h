#pragma once

#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QPoint>
#include <chrono>
#include <optional>

// Where the panel says the user clicked our status item. The host sends the
// position with its Activate(x, y) call, and Qt's item passes on only that the
// click happened; a connection of our own, a monitor of just those calls, reads
// the position. Main thread only.
class StatusNotifierClicks : public QDBusVirtualObject {
    Q_OBJECT
public:
    StatusNotifierClicks() = default;
    ~StatusNotifierClicks() override;

    // Watches the calls made to the item on the connection with this unique
    // name, on the bus at that address (the session bus when empty). False
    // where the bus refuses to let us monitor; clicks then have no position.
    bool watch(const QString& busAddress, const QString& itemConnection);
    // Watches the item of this process that the panel's watcher lists, on the
    // session bus. The watcher lists it a moment after Qt shows it, so this
    // looks a few times, a second apart, and answers nothing if it never does.
    void watchOurItem();

    // The position of a click the host reported within the last `within`.
    std::optional<QPoint> recentClick(std::chrono::milliseconds within) const;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

Q_SIGNALS:
    void clicked(QPoint position);

private:
    void lookForOurItem(int attemptsLeft);

    QString connectionName;
    std::optional<QPoint> lastClick;
    QElapsedTimer sinceClick;
};
