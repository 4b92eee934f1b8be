#include "platform/LinuxComputerReaders.h"

#include "platform/DBusNetworkManager.h"
#include "platform/DBusPowerProfiles.h"
#include "platform/LinuxFirewallPolicy.h"
#include "platform/Nl80211PowerSave.h"
#include "platform/TcpPortProbe.h"
#include "platform/TimedatedSynchronisation.h"

#include <QDBusConnection>

ComputerReaders linuxComputerReaders() {
    const QDBusConnection bus = QDBusConnection::systemBus();
    return {std::make_shared<Nl80211PowerSave>(),
            std::make_shared<DBusNetworkManager>(bus),
            std::make_shared<TimedatedSynchronisation>(bus),
            std::make_shared<DBusPowerProfiles>(bus),
            std::make_shared<TcpPortProbe>(),
            std::make_shared<LinuxFirewallPolicy>(bus)};
}
