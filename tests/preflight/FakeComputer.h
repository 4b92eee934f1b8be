#pragma once

#include "preflight/ComputerReaders.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QStringList>

// This computer as the test sets it; every service starts absent.
struct FakeComputer : WifiPowerSave,
                      NetworkManagerSettings,
                      TimeSynchronisation,
                      PowerProfiles,
                      PortProbe,
                      FirewallPolicy {
    SystemAnswer<bool> isPowerSaveOn(const QString&) const override { return kernelPowerSave; }
    SystemAnswer<WifiConnectionSettings> wifiConnection(const QString&) const override {
        QMutexLocker lock(&mutex);
        return profile;
    }
    std::optional<QString> disablePowerSave(const QString& path) override {
        QMutexLocker lock(&mutex);
        if (!fixRefusal && profile.value && profile.value->path == path)
            profile.value->powerSave = WifiConnectionSettings::PowerSave::disable;
        return fixRefusal;
    }
    SystemAnswer<bool> isSynchronised() const override { return synchronised; }
    SystemAnswer<QString> activeProfile() const override { return powerProfile; }
    bool answers(const QHostAddress& address, quint16 port, std::chrono::milliseconds) const override {
        if (holdProbe)
            probeHeld.acquire();
        QMutexLocker lock(&mutex);
        probed.append(address.toString() + u':' + QString::number(port));
        return cameraAnswers;
    }
    SystemAnswer<QString> refusal(const QString&, const QHostAddress&) const override { return firewall; }

    mutable QMutex mutex;
    SystemAnswer<bool> kernelPowerSave =
        SystemAnswer<bool>::unreadable(QStringLiteral("this kernel has no nl80211 interface"));
    SystemAnswer<WifiConnectionSettings> profile =
        SystemAnswer<WifiConnectionSettings>::unreadable(QStringLiteral("NetworkManager is not running"));
    std::optional<QString> fixRefusal;
    SystemAnswer<bool> synchronised =
        SystemAnswer<bool>::unreadable(QStringLiteral("systemd-timedated is not running"));
    SystemAnswer<QString> powerProfile =
        SystemAnswer<QString>::unreadable(QStringLiteral("power-profiles-daemon is not running"));
    bool cameraAnswers = true;
    bool holdProbe = false;
    mutable QSemaphore probeHeld;
    mutable QStringList probed;
    SystemAnswer<QString> firewall = SystemAnswer<QString>::of({});
};

inline ComputerReaders readersOf(const std::shared_ptr<FakeComputer>& fake) {
    return {fake, fake, fake, fake, fake, fake};
}
