#pragma once

#include "router/RouterHttpSession.h"

#include <QObject>
#include <QString>
#include <functional>

// Tells which router family answers at an address: the GL.iNet challenge (over
// HTTPS, then HTTP), then the UniFi OS system page, then the Peplink status page, one after the other,
// 3 s each; the first that answers in its family's way wins. A probe that fails
// in any way counts as no.
class RouterTypeDetector : public QObject {
public:
    // "glinet", "unifi", "peplink" or "unknown".
    using Completion = std::function<void(QString familyKey)>;

    explicit RouterTypeDetector(QObject* parent = nullptr);

    // `completion` runs later on this object's thread, exactly once unless this
    // object is destroyed first.
    void detectRouterType(const QString& address, Completion completion);

private:
    RouterHttpSession session;
};
