#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>
#include <chrono>

// One request to the router's web interface.
struct RouterHttpRequest {
    QByteArray method;
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    // The whole exchange must finish within this, answer included.
    std::chrono::milliseconds timeout{5000};
};
