#pragma once

#include "preflight/ComputerReaders.h"

#include <QStringList>
#include <QTextStream>
#include <functional>

class WirelessLink;

// `preflight [--json] [--camera ADDRESS]…`: the checks of this computer and its
// Wi-Fi, each camera given by its address. Returns the process exit code: 0 when
// every item is settled, 1 when one failed, 2 for unusable arguments.
int runPreflightCommand(const QStringList& args, ComputerReaders readers, const WirelessLink& link,
                        std::function<bool(const QString&)> isOnLocalSubnet, QTextStream& out,
                        QTextStream& err);
