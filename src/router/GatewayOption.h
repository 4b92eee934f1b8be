#pragma once

#include <QHash>
#include <QString>

// A detected gateway as the router-address picker offers it.
struct GatewayOption {
    QString ip;
    QString label;

    bool operator==(const GatewayOption&) const = default;
};

inline size_t qHash(const GatewayOption& option, size_t seed = 0) {
    return qHashMulti(seed, option.ip, option.label);
}
