#pragma once

#include "router/GatewayOption.h"

#include <QList>
#include <QStringList>
#include <QTextStream>

// `veltrano-cli gateways`: the router addresses the settings window would offer,
// in routing-table order, each with its label. Reads the kernel's tables only;
// nothing is sent anywhere.
int runGatewaysCommand(const QStringList& args, const QList<GatewayOption>& options, QTextStream& out,
                       QTextStream& err);
