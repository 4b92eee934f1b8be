#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The site's device SSH login, which every adopted access point accepts.
struct AccessPointSSHCredentials {
    QString username;
    QString password;

    bool operator==(const AccessPointSSHCredentials&) const = default;
};

// `x_ssh_username` and `x_ssh_password` of the "mgmt" object in a
// /rest/setting/mgmt answer; none without a user name or password.
std::optional<AccessPointSSHCredentials> accessPointSSHCredentials(const QByteArray& answer);
