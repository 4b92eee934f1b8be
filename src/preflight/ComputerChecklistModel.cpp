#include "preflight/ComputerChecklistModel.h"

#include "monitor/SignalModel.h"
#include "router/BackgroundTask.h"

#include <QHostAddress>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;
using PowerSave = WifiConnectionSettings::PowerSave;

namespace {

// The port cameras listen on for wireless tethering (PTP/IP).
constexpr quint16 ptpIpPort = 15740;
constexpr std::chrono::seconds cameraAnswerWindow(2);

const QString noWifi = u"this computer has no Wi-Fi interface"_s;
const QString noCamera = u"no camera's address is known (the router's client list gives it)"_s;
const QString noLocalCamera = u"no camera's address is on this computer's networks"_s;

QString inProfile(const WifiConnectionSettings& profile) {
    return u"NetworkManager's profile \u201C"_s + profile.name + u"\u201D"_s;
}

PreflightStatus powerSaveStatus(const ComputerReaders& readers, const QString& interfaceName) {
    const SystemAnswer<bool> kernel = readers.powerSave->isPowerSaveOn(interfaceName);
    const SystemAnswer<WifiConnectionSettings> profile =
        readers.networkManager->wifiConnection(interfaceName);
    if (!profile.value) {
        if (!kernel.value)
            return PreflightStatus::couldNotCheck(kernel.whyUnreadable);
        if (!*kernel.value)
            return PreflightStatus::passed(u"Off"_s);
        return PreflightStatus::failedBeyondFix(u"On \u2014 turn it off with: sudo iw dev "_s +
                                                interfaceName + u" set power_save off"_s);
    }
    const bool onNow = kernel.value.value_or(false);
    switch (profile.value->powerSave) {
    case PowerSave::disable:
        // The profile applies when the connection next comes up.
        return onNow ? PreflightStatus::warning(u"Off in "_s + inProfile(*profile.value) +
                                                u" from the next connection; on until then"_s)
                     : PreflightStatus::passed(u"Off in "_s + inProfile(*profile.value));
    case PowerSave::enable:
        return PreflightStatus::failed(u"On in "_s + inProfile(*profile.value));
    case PowerSave::byDefault:
    case PowerSave::ignore:
        break;
    }
    if (!kernel.value)
        return PreflightStatus::couldNotCheck(kernel.whyUnreadable);
    return *kernel.value
               ? PreflightStatus::failed(u"On (left to the driver by "_s + inProfile(*profile.value) + u")"_s)
               : PreflightStatus::passed(u"Off"_s);
}

// "Camera A: " before a camera's own result where there is more than one.
QString named(const QList<CameraAddress>& cameras, const CameraAddress& camera, const QString& text) {
    return cameras.size() > 1 ? camera.name + u": "_s + text : text;
}

} // namespace

ComputerChecklistModel::ComputerChecklistModel(ComputerReaders readers, const WirelessLink& link,
                                               CameraAddresses cameras, SubnetTest isOnLocalSubnet,
                                               QThreadPool& pool, std::chrono::milliseconds deadline,
                                               QObject* parent)
    : QObject(parent)
    , readers(std::move(readers))
    , link(link)
    , cameras(std::move(cameras))
    , isOnLocalSubnet(std::move(isOnLocalSubnet))
    , pool(pool)
    , deadline(deadline) {
    buildItems();
}

void ComputerChecklistModel::buildItems() {
    using WifiJudge =
        std::function<PreflightStatus(const ComputerReaders&, const LocalLinkReading&, const Snapshot&)>;
    const auto withWifi = [](WifiJudge judge) {
        return [judge](const ComputerReaders& r, const Snapshot& s) {
            return s.link ? judge(r, *s.link, s) : PreflightStatus::couldNotCheck(noWifi);
        };
    };
    checklist = {
        {.id = 1,
         .title = u"Wi-Fi power saving off"_s,
         .check = onPool(withWifi([](const ComputerReaders& r, const LocalLinkReading& wifi,
                                     const Snapshot&) { return powerSaveStatus(r, wifi.interfaceName); })),
         .fix =
             [this](const std::function<void(bool)>& done) {
                 const auto current = link.currentLink();
                 const QString interfaceName = current ? current->interfaceName : QString();
                 runInBackground(
                     pool, this,
                     [r = readers, interfaceName]() -> std::optional<QString> {
                         const auto profile = r.networkManager->wifiConnection(interfaceName);
                         if (!profile.value)
                             return profile.whyUnreadable;
                         return r.networkManager->disablePowerSave(profile.value->path);
                     },
                     [this, done](std::optional<QString> refusal) {
                         fixRefusal = std::move(refusal);
                         done(!fixRefusal);
                     });
             },
         .fixConfirmationText =
             u"This sets power saving to \u201Cdisable\u201D in NetworkManager's profile for this Wi-Fi "
             u"connection and saves it; the system may ask for your password. It applies the next time "
             u"the connection comes up."_s},
        {.id = 2,
         .title = u"Wi-Fi link on 5 or 6 GHz, camera on this network"_s,
         .check =
             onPool(withWifi([](const ComputerReaders&, const LocalLinkReading& wifi, const Snapshot& s) {
                 if (wifi.rssi == 0)
                     return PreflightStatus::failed(wifi.interfaceName + u" is not connected to a network"_s);
                 if (!wifi.channelBand)
                     return PreflightStatus::couldNotCheck(u"the Wi-Fi driver reports no channel"_s);
                 const QString band = bandInWords(localBandLabel(wifi.channelBand));
                 if (*wifi.channelBand == 1)
                     return PreflightStatus::failed(u"On 2.4 GHz, where cameras lose the link first"_s);
                 for (const CameraAddress& camera : s.cameras)
                     if (!s.localCameras.contains(camera))
                         return PreflightStatus::failed(camera.name + u" ("_s + camera.ip +
                                                        u") is not on this computer's networks"_s);
                 return PreflightStatus::passed(wifi.ssid.value_or(wifi.interfaceName) + u" on "_s + band +
                                                u" \u00B7 "_s + QString::number(wifi.rssi) +
                                                u" dBm \u00B7 "_s +
                                                QString::number(wifi.transmitRate, 'f', 0) + u" Mbit/s"_s);
             }))},
        {.id = 3,
         .title = u"Camera answers on the network"_s,
         .check = onPool([](const ComputerReaders& r, const Snapshot& s) {
             if (s.cameras.isEmpty())
                 return PreflightStatus::couldNotCheck(noCamera);
             if (s.localCameras.isEmpty())
                 return PreflightStatus::couldNotCheck(noLocalCamera);
             QStringList answers;
             bool allAnswer = true;
             for (const CameraAddress& camera : s.localCameras) {
                 const bool answers_ =
                     r.portProbe->answers(QHostAddress(camera.ip), ptpIpPort, cameraAnswerWindow);
                 allAnswer = allAnswer && answers_;
                 answers.append(named(s.localCameras, camera,
                                      answers_ ? u"Answers"_s
                                               : u"No answer (the camera's Wi-Fi function may be off, or the "
                                                 u"router isolates clients)"_s));
             }
             const QString text = answers.join(u"; "_s);
             return allAnswer ? PreflightStatus::passed(text) : PreflightStatus::failed(text);
         })},
        {.id = 4,
         .title = u"Clock synchronised"_s,
         .tier = PreflightTier::recommendation,
         .check = onPool([](const ComputerReaders& r, const Snapshot&) {
             const SystemAnswer<bool> synchronised = r.clock->isSynchronised();
             if (!synchronised.value)
                 return PreflightStatus::couldNotCheck(synchronised.whyUnreadable);
             return *synchronised.value ? PreflightStatus::passed(u"Synchronised"_s)
                                        : PreflightStatus::failed(u"Not synchronised over the network"_s);
         })},
        {.id = 5,
         .title = u"Power profile"_s,
         .tier = PreflightTier::recommendation,
         .check = onPool([](const ComputerReaders& r, const Snapshot&) {
             const SystemAnswer<QString> profile = r.powerProfiles->activeProfile();
             if (!profile.value)
                 return PreflightStatus::couldNotCheck(profile.whyUnreadable);
             if (*profile.value == u"power-saver"_s)
                 return PreflightStatus::warning(u"Power saver (some Wi-Fi drivers save power with it)"_s);
             return PreflightStatus::passed(*profile.value);
         })},
        {.id = 6,
         .title = u"Same MAC address at every connection"_s,
         .tier = PreflightTier::recommendation,
         .check =
             onPool(withWifi([](const ComputerReaders& r, const LocalLinkReading& wifi, const Snapshot&) {
                 const auto profile = r.networkManager->wifiConnection(wifi.interfaceName);
                 if (!profile.value)
                     return PreflightStatus::couldNotCheck(profile.whyUnreadable);
                 const QString& mac = profile.value->assignedMacAddress;
                 if (mac == u"random"_s)
                     return PreflightStatus::warning(u"Random in "_s + inProfile(*profile.value) +
                                                     u": the router sees a new client at every connection"_s);
                 if (mac == u"stable"_s && profile.value->stableId.contains(u"${BOOT}"_s))
                     return PreflightStatus::warning(u"New at every boot in "_s + inProfile(*profile.value) +
                                                     u": the router sees a new client after each restart"_s);
                 return PreflightStatus::passed(mac.isEmpty() ? u"Left to NetworkManager's default"_s : mac);
             }))},
        {.id = 7,
         .title = u"Firewall lets the camera in"_s,
         .tier = PreflightTier::recommendation,
         .check =
             onPool(withWifi([](const ComputerReaders& r, const LocalLinkReading& wifi, const Snapshot& s) {
                 if (s.localCameras.isEmpty())
                     return PreflightStatus::couldNotCheck(s.cameras.isEmpty() ? noCamera : noLocalCamera);
                 for (const CameraAddress& camera : s.localCameras) {
                     const SystemAnswer<QString> refusal =
                         r.firewall->refusal(wifi.interfaceName, QHostAddress(camera.ip));
                     if (!refusal.value)
                         return PreflightStatus::couldNotCheck(refusal.whyUnreadable);
                     if (!refusal.value->isEmpty())
                         return PreflightStatus::warning(named(s.localCameras, camera, *refusal.value));
                 }
                 return PreflightStatus::passed(u"No active firewall refuses the camera"_s);
             }))},
    };
}

PreflightCheckItem::Check ComputerChecklistModel::onPool(Judge judge) {
    return [this, judge](const std::function<void(const PreflightStatus&)>& done) {
        runInBackground(
            pool, this, [r = readers, s = snapshot(), judge] { return judge(r, s); }, done);
    };
}

ComputerChecklistModel::Snapshot ComputerChecklistModel::snapshot() const {
    Snapshot s{link.currentLink(), cameras(), {}};
    std::copy_if(s.cameras.begin(), s.cameras.end(), std::back_inserter(s.localCameras),
                 [this](const CameraAddress& camera) {
                     // Only an address on one of this computer's own networks is
                     // ever probed: anything else would leave through the gateway.
                     return !QHostAddress(camera.ip).isNull() && isOnLocalSubnet(camera.ip);
                 });
    return s;
}

bool ComputerChecklistModel::isComplete() const {
    return std::all_of(checklist.begin(), checklist.end(),
                       [](const PreflightCheckItem& item) { return item.status.isSettled(); });
}

void ComputerChecklistModel::runAll() {
    setRunState(true);
    runStep(0, ++passGeneration);
}

void ComputerChecklistModel::checkItem(int id) {
    const int index = id - 1;
    if (index < 0 || index >= checklist.size())
        return;
    startCheck(index, [this, index](const PreflightStatus& status) { setStatus(index, status); });
}

void ComputerChecklistModel::applyFix(int id) {
    const int index = id - 1;
    if (index < 0 || index >= checklist.size() || !checklist[index].fix)
        return;
    setStatus(index, PreflightStatus::checking());
    checklist[index].fix([this, id, index](bool fixed) {
        if (fixed)
            return checkItem(id);
        setStatus(index,
                  PreflightStatus::failed(u"Could not change it: "_s + fixRefusal.value_or(QString())));
    });
}

void ComputerChecklistModel::startCheck(int index, std::function<void(const PreflightStatus&)> apply) {
    setStatus(index, PreflightStatus::checking());
    // The first of the answer and the deadline decides; both arrive on the main
    // thread, so the flag needs no lock.
    auto decided = std::make_shared<bool>(false);
    auto deliver = [decided, apply = std::move(apply)](const PreflightStatus& status) {
        if (!std::exchange(*decided, true))
            apply(status);
    };
    checklist[index].check(deliver);
    QTimer::singleShot(deadline, this, [deliver, seconds = deadline.count() / 1000.0] {
        deliver(PreflightStatus::couldNotCheck(u"no answer within "_s + QString::number(seconds) + u" s"_s));
    });
}

void ComputerChecklistModel::runStep(int index, quint64 pass) {
    if (index >= checklist.size())
        return setRunState(false);
    startCheck(index, [this, index, pass](const PreflightStatus& status) {
        setStatus(index, status);
        if (pass == passGeneration)
            runStep(index + 1, pass);
    });
}

void ComputerChecklistModel::setStatus(int index, const PreflightStatus& status) {
    checklist[index].status = status;
    Q_EMIT itemStatusChanged(index);
}

void ComputerChecklistModel::setRunState(bool running) {
    runningAll = running;
    Q_EMIT runStateChanged();
}
