#pragma once

#include <QString>

// A camera the computer checks can reach: its name as the router lists it and
// the IP address the router gave it.
struct CameraAddress {
    QString name;
    QString ip;

    bool operator==(const CameraAddress&) const = default;
};
