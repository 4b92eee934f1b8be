#pragma once

#include "router/RouterClient.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <optional>

// A `clients.get_list` answer, read.
struct GlinetClientList {
    // The router refused the session id; the caller logs in again once.
    bool sessionExpired = false;
    // `result.clients` as sent, for the once-per-run field dump.
    QJsonArray clients;
    // The kept rows, without radio data.
    QList<RouterClient> rows;
};

// An unreadable answer or one without `result.clients` gives no rows.
GlinetClientList readGlinetClientList(const QByteArray& body);

// The online rule and the row mapping. The list's `tx` / `rx` are the current
// bytes per second, not a link rate, and never become `txRate`.
QList<RouterClient> glinetClientRows(const QJsonArray& clients);

// The first entry whose `mac` matches, ignoring letter case.
std::optional<QJsonObject> glinetClientEntry(const QJsonArray& clients, const QString& mac);
