#pragma once

#include "preflight/SystemAnswer.h"

#include <QHostAddress>
#include <QString>

// Whether an active firewall (firewalld, ufw) refuses incoming connections
// from the camera. Any thread.
class FirewallPolicy {
public:
    FirewallPolicy() = default;
    FirewallPolicy(const FirewallPolicy&) = delete;
    FirewallPolicy& operator=(const FirewallPolicy&) = delete;
    virtual ~FirewallPolicy() = default;

    // Empty when no active firewall refuses the camera; else what refuses it,
    // naming the tool (for example "firewalld's zone "public" refuses incoming
    // connections"). Unreadable only where a firewall runs but cannot be read.
    virtual SystemAnswer<QString> refusal(const QString& interfaceName, const QHostAddress& camera) const = 0;
};
