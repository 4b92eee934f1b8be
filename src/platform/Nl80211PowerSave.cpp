#include "platform/Nl80211PowerSave.h"

#include "platform/Nl80211Decoder.h"
#include "platform/Nl80211Socket.h"

#include <cerrno>
#include <chrono>
#include <linux/nl80211.h>
#include <net/if.h>
#include <netlink/attr.h>

namespace {

// Read rarely and off the main thread, so a slow driver may take its time,
// but a wedged one must not hold a pool thread for long.
constexpr std::chrono::seconds answerTimeout{2};

} // namespace

SystemAnswer<bool> Nl80211PowerSave::isPowerSaveOn(const QString& interfaceName) const {
    const unsigned ifindex = if_nametoindex(interfaceName.toLocal8Bit().constData());
    if (ifindex == 0)
        return SystemAnswer<bool>::unreadable(
            QStringLiteral("%1 is not a network interface").arg(interfaceName));

    Nl80211Socket socket;
    switch (socket.open()) {
    case Nl80211Socket::Opening::opened:
        break;
    case Nl80211Socket::Opening::noNl80211:
        return SystemAnswer<bool>::unreadable(QStringLiteral("this kernel has no nl80211 interface"));
    case Nl80211Socket::Opening::failed:
        return SystemAnswer<bool>::unreadable(
            QStringLiteral("the kernel's nl80211 interface could not be opened"));
    }

    std::optional<bool> powerSave;
    const Nl80211Socket::Outcome outcome = socket.request(
        NL80211_CMD_GET_POWER_SAVE, false,
        [ifindex](nl_msg* message) { return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0; },
        [&powerSave](nlmsghdr* answer) {
            if (!powerSave)
                powerSave = decodePowerSave(answer);
        },
        answerTimeout);
    switch (outcome.status) {
    case Nl80211Socket::Status::answered:
        break;
    case Nl80211Socket::Status::broken:
        return SystemAnswer<bool>::unreadable(
            QStringLiteral("the kernel's nl80211 interface did not answer"));
    case Nl80211Socket::Status::refused:
        // nl80211 knows no wireless device by that index.
        if (outcome.error == ENODEV)
            return SystemAnswer<bool>::unreadable(
                QStringLiteral("%1 is not a Wi-Fi interface").arg(interfaceName));
        break;
    }
    if (!powerSave)
        return SystemAnswer<bool>::unreadable(
            QStringLiteral("the Wi-Fi driver does not report power saving"));
    return SystemAnswer<bool>::of(*powerSave);
}
