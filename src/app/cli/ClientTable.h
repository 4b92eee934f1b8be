#pragma once

#include "router/RouterClient.h"

#include <QList>
#include <QString>

// The rows as `veltrano-cli clients` prints them, one line each: MAC, address,
// band, signal, rate, state and hostname, with "--" where the router told
// nothing.
QString clientsTable(const QList<RouterClient>& rows);
