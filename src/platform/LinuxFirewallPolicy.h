#pragma once

#include "platform/BlockingBusCalls.h"
#include "preflight/FirewallPolicy.h"

// firewalld over the bus, then ufw from its configuration files, which any
// user may read (its rules are root's, so only the default policy is seen).
class LinuxFirewallPolicy : public FirewallPolicy {
public:
    explicit LinuxFirewallPolicy(QDBusConnection bus,
                                 QString ufwConfigPath = QStringLiteral("/etc/ufw/ufw.conf"),
                                 QString ufwDefaultsPath = QStringLiteral("/etc/default/ufw"));

    SystemAnswer<QString> refusal(const QString& interfaceName, const QHostAddress& camera) const override;

private:
    SystemAnswer<QString> firewalldRefusal(const QString& interfaceName, const QHostAddress& camera) const;
    QString ufwRefusal() const;

    BlockingBusCalls calls;
    QString ufwConfigPath;
    QString ufwDefaultsPath;
};
