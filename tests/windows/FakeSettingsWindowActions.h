#pragma once

#include "app/SettingsWindowActions.h"
#include "monitor/FakeClock.h"
#include "monitor/FakeWirelessLink.h"
#include "platform/LinuxApplicationScripting.h"
#include "preflight/CaptureOneManager.h"
#include "preflight/ComputerChecklistModel.h"
#include "preflight/FakeComputer.h"
#include "preflight/PreflightChecklistModel.h"

#include <QThreadPool>
#include <memory>

// The shell's side of the settings window: the connection flow and client list
// the test builds, the Linux checklist beside a computer with nothing to read,
// and the snooze it was asked for.
class FakeSettingsWindowActions : public SettingsWindowActions {
public:
    FakeSettingsWindowActions(RouterConnectionFlow& flow, ClientListSource& clients)
        : flow(flow)
        , clients(clients) {}
    RouterConnectionFlow& connectionFlow() override { return flow; }
    ClientListSource& clientList() override { return clients; }
    PreflightChecklistModel& preflightModel() override { return preflight; }
    ComputerChecklistModel& computerChecks() override { return computer; }
    void snoozeAll(int minutes) override { snoozedMinutes = minutes; }
    void resetAllBandwidthStats() override {}
    UninstallWipe::Report wipeAllData() override { return {}; }
    void quitApplication() override {}

    int snoozedMinutes = 0;

private:
    RouterConnectionFlow& flow;
    ClientListSource& clients;
    FakeClock clock;
    CaptureOneManager captureOne{std::make_shared<LinuxApplicationScripting>(),
                                 *QThreadPool::globalInstance()};
    PreflightChecklistModel preflight{captureOne, clock};
    FakeWirelessLink wifi;
    ComputerChecklistModel computer{readersOf(std::make_shared<FakeComputer>()), wifi,
                                    [] { return QList<CameraAddress>(); },
                                    [](const QString&) { return false; }, *QThreadPool::globalInstance()};
};
