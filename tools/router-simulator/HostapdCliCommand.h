#pragma once

#include "CommandOutput.h"
#include "Scenario.h"

#include <QStringList>

// An access point's `hostapd_cli -p DIR -i IFACE sta MAC` (and `all_sta`),
// answered from the simulator's current clients: a station's entry only on the
// interface it is associated on, "FAIL" everywhere else; `status` names the
// interfaces in use as `bss[N]=` lines. Reached at `address` (the server side of
// SSH_CONNECTION), it answers as the scenario's access point there: only for
// the stations on it.
class HostapdCliCommand {
public:
    static CommandOutput run(const QStringList& arguments, const Scenario& state, const QString& address);
};
