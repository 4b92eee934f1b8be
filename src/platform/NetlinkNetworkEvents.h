#pragma once

#include "platform/NetworkEventSource.h"

#include <QPointer>
#include <QSocketNotifier>
#include <memory>
#include <vector>

class EventLogger;
struct nl_sock;

// Network events read straight from the kernel on the main loop: Wi-Fi
// association changes from nl80211's "mlme" group and link, address and route
// changes from rtnetlink. Whatever is queued on both sockets when either becomes
// readable is read in one go and gives at most one `networkChanged`, since one
// association sends a dozen messages.
class NetlinkNetworkEvents : public NetworkEventSource {
    Q_OBJECT
public:
    explicit NetlinkNetworkEvents(EventLogger& logger, QObject* parent = nullptr);
    ~NetlinkNetworkEvents() override;

    // False where the kernel refused the rtnetlink subscription.
    bool isFollowingNetworkPaths() const { return routeFd >= 0; }

private:
    enum class Drained { nothing, change, failed };

    struct SocketDeleter {
        void operator()(nl_sock* socket) const;
    };

    void openRouteSocket();
    void openNl80211Socket();
    void readQueued();
    Drained drain(int fd, bool nl80211);
    void closeRouteSocket();
    void closeNl80211Socket();

    EventLogger& logger;
    int routeFd = -1;
    QPointer<QSocketNotifier> routeNotifier;
    std::unique_ptr<nl_sock, SocketDeleter> nl80211Socket;
    int nl80211FamilyId = -1;
    QPointer<QSocketNotifier> nl80211Notifier;
    std::vector<unsigned char> buffer;
    bool hasLoggedMissingNl80211 = false;
    bool hasLoggedReadFailure = false;
};
