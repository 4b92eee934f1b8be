#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// A row as `veltrano-cli clients --json` prints it: the RouterClient field names,
// `linkDetail` as an object with all five keys (null where the router told
// nothing) or null without one.
QJsonObject clientJson(const RouterClient& row);
QByteArray clientsJson(const QList<RouterClient>& rows);
