#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// A row as `veltrano-cli clients --json` prints it: the RouterClient field names
// and values (`rssi` -99 where the router sent no signal, as every reader of a
// row expects), `linkDetail` as an object with all five keys (null where the
// router told nothing) or null without one.
QJsonObject clientJson(const RouterClient& row);
QByteArray clientsJson(const QList<RouterClient>& rows);
