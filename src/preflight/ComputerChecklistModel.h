#pragma once

#include "platform/LocalLinkReading.h"
#include "platform/WirelessLink.h"
#include "preflight/CameraAddress.h"
#include "preflight/ComputerReaders.h"
#include "preflight/PreflightCheckItem.h"

#include <QList>
#include <QObject>
#include <QThreadPool>
#include <chrono>
#include <functional>
#include <optional>

// The checks of this computer and its Wi-Fi: power saving, the link, the
// camera's answer, the clock, the power profile, the MAC address and the
// firewall. Main thread only; each check runs on `pool` (which the caller waits
// for before this goes), and every status lands in a later turn of the main loop.
class ComputerChecklistModel : public QObject {
    Q_OBJECT
public:
    using CameraAddresses = std::function<QList<CameraAddress>()>;
    using SubnetTest = std::function<bool(const QString& ip)>;

    // A check that has not answered by `deadline` could not be checked, so a
    // wedged service cannot keep a pass waiting.
    ComputerChecklistModel(ComputerReaders readers, const WirelessLink& link, CameraAddresses cameras,
                           SubnetTest isOnLocalSubnet, QThreadPool& pool,
                           std::chrono::milliseconds deadline = std::chrono::seconds(5),
                           QObject* parent = nullptr);

    const QList<PreflightCheckItem>& items() const { return checklist; }
    bool isRunningAll() const { return runningAll; }
    bool isComplete() const;

    // Checks every item in turn; a failure does not stop the pass, since each
    // item reads something of its own.
    void runAll();
    void checkItem(int id);
    // Runs the item's fix; on success checks it again, else shows why it failed.
    void applyFix(int id);

Q_SIGNALS:
    void itemStatusChanged(int index);
    void runStateChanged();

private:
    // What the main thread knows when a check starts, handed to the pool.
    struct Snapshot {
        std::optional<LocalLinkReading> link;
        QList<CameraAddress> cameras;
        QList<CameraAddress> localCameras;
    };
    using Judge = std::function<PreflightStatus(const ComputerReaders&, const Snapshot&)>;

    void buildItems();
    PreflightCheckItem::Check onPool(Judge judge);
    Snapshot snapshot() const;
    void startCheck(int index, std::function<void(const PreflightStatus&)> apply);
    void runStep(int index, quint64 pass);
    void setStatus(int index, const PreflightStatus& status);
    void setRunState(bool running);

    ComputerReaders readers;
    const WirelessLink& link;
    CameraAddresses cameras;
    SubnetTest isOnLocalSubnet;
    QThreadPool& pool;
    const std::chrono::milliseconds deadline;
    QList<PreflightCheckItem> checklist;
    bool runningAll = false;
    quint64 passGeneration = 0;
    // Why the last fix failed, for the item's status in place of a check.
    std::optional<QString> fixRefusal;
};
