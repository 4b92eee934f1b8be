#pragma once

#include "CommandOutput.h"
#include "Scenario.h"

#include <QStringList>

// The router's `ubus` as far as the client uses it: `call iwinfo devices`,
// `call iwinfo assoclist {"device":NAME}` and `call system board`, answered from
// the simulator's current clients in the shape of a recent OpenWrt build.
class UbusCommand {
public:
    static CommandOutput run(const QStringList& arguments, const Scenario& state);
};
