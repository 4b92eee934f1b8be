#include "platform/Nl80211WirelessLink.h"

#include "logs/EventLogger.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <linux/nl80211.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>
#include <poll.h>

namespace {

// nl80211 answers from the kernel at once; a driver that holds its lock longer
// than this must not freeze the main thread.
constexpr int answerTimeoutMs = 1000;

struct Reply {
    const std::function<void(nlmsghdr*)>& onAnswer;
    // Positive while waiting, 0 when complete, a negative errno when refused.
    int status = 1;
};

int onValid(nl_msg* message, void* context) {
    static_cast<Reply*>(context)->onAnswer(nlmsg_hdr(message));
    return NL_OK;
}

int onComplete(nl_msg*, void* context) {
    static_cast<Reply*>(context)->status = 0;
    return NL_STOP;
}

int onError(sockaddr_nl*, nlmsgerr* error, void* context) {
    static_cast<Reply*>(context)->status = error->error < 0 ? error->error : -EPROTO;
    return NL_STOP;
}

struct CallbackDeleter {
    void operator()(nl_cb* callbacks) const { nl_cb_put(callbacks); }
};

struct MessageDeleter {
    void operator()(nl_msg* message) const { nlmsg_free(message); }
};

} // namespace

void Nl80211WirelessLink::SocketDeleter::operator()(nl_sock* socket) const {
    nl_socket_free(socket);
}

Nl80211WirelessLink::Nl80211WirelessLink(EventLogger& logger)
    : logger(logger) {}

Nl80211WirelessLink::~Nl80211WirelessLink() = default;

std::optional<LocalLinkReading> Nl80211WirelessLink::currentLink() const {
    const std::optional<Nl80211Interface> interface = firstStationInterface();
    if (!interface)
        return std::nullopt;
    const std::optional<Nl80211Bss> bss = associatedBss(interface->ifindex);
    const std::optional<Nl80211Station> station =
        bss ? accessPointStation(interface->ifindex, bss->bssid) : std::nullopt;
    const std::optional<int> noise = station ? inUseChannelNoise(interface->ifindex) : std::nullopt;
    return assembleLinkReading(*interface, bss, station, noise);
}

bool Nl80211WirelessLink::connect() const {
    if (socket)
        return true;
    std::unique_ptr<nl_sock, SocketDeleter> opened(nl_socket_alloc());
    if (!opened || genl_connect(opened.get()) < 0)
        return false;
    // Absent on machines without any Wi-Fi driver loaded; asked again at the next
    // reading, since plugging in an adapter loads one.
    const int resolved = genl_ctrl_resolve(opened.get(), NL80211_GENL_NAME);
    if (resolved < 0) {
        if (!hasLoggedMissingNl80211) {
            hasLoggedMissingNl80211 = true;
            logger.logDebug(VtCode::signalUnavailable,
                            QStringLiteral("nl80211 is not available: no Wi-Fi interface to read"));
        }
        return false;
    }
    if (nl_socket_set_nonblocking(opened.get()) < 0)
        return false;
    socket = std::move(opened);
    familyId = resolved;
    return true;
}

void Nl80211WirelessLink::disconnect() const {
    socket.reset();
    familyId = -1;
    if (!hasLoggedBrokenSocket) {
        hasLoggedBrokenSocket = true;
        logger.logDebug(VtCode::signalUnavailable,
                        QStringLiteral("nl80211 did not answer; the link is read afresh next time"));
    }
}

Nl80211WirelessLink::Outcome
Nl80211WirelessLink::request(uint8_t command, bool dump, const std::function<bool(nl_msg*)>& fill,
                             const std::function<void(nlmsghdr*)>& onAnswer) const {
    if (!connect())
        return Outcome::broken;

    const std::unique_ptr<nl_msg, MessageDeleter> message(nlmsg_alloc());
    if (!message ||
        genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, familyId, 0, dump ? NLM_F_DUMP : 0, command,
                    0) == nullptr ||
        !fill(message.get()))
        return Outcome::refused;
    if (nl_send_auto(socket.get(), message.get()) < 0) {
        disconnect();
        return Outcome::broken;
    }

    Reply reply{onAnswer};
    const std::unique_ptr<nl_cb, CallbackDeleter> callbacks(nl_cb_alloc(NL_CB_DEFAULT));
    if (!callbacks) {
        disconnect();
        return Outcome::broken;
    }
    nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, onValid, &reply);
    nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, onComplete, &reply);
    nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, onComplete, &reply);
    nl_cb_err(callbacks.get(), NL_CB_CUSTOM, onError, &reply);

    const QDeadlineTimer deadline(answerTimeoutMs);
    while (reply.status > 0) {
        pollfd readable{nl_socket_get_fd(socket.get()), POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            // Answers still on their way would be mistaken for the next request's.
            disconnect();
            return Outcome::broken;
        }
        const int received = nl_recvmsgs(socket.get(), callbacks.get());
        if (reply.status <= 0)
            break;
        if (received < 0 && received != -NLE_AGAIN) {
            disconnect();
            return Outcome::broken;
        }
    }
    return reply.status == 0 ? Outcome::answered : Outcome::refused;
}

std::optional<Nl80211Interface> Nl80211WirelessLink::firstStationInterface() const {
    std::optional<Nl80211Interface> first;
    const Outcome outcome = request(
        NL80211_CMD_GET_INTERFACE, true, [](nl_msg*) { return true; },
        [&first](nlmsghdr* answer) {
            if (first)
                return;
            std::optional<Nl80211Interface> interface = decodeInterface(answer);
            if (interface && interface->isStation)
                first = std::move(interface);
        });
    return outcome == Outcome::answered ? first : std::nullopt;
}

std::optional<Nl80211Bss> Nl80211WirelessLink::associatedBss(int ifindex) const {
    std::optional<Nl80211Bss> associated;
    const Outcome outcome = request(
        NL80211_CMD_GET_SCAN, true,
        [ifindex](nl_msg* message) { return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0; },
        [&associated](nlmsghdr* answer) {
            if (associated)
                return;
            std::optional<Nl80211Bss> bss = decodeScanBss(answer);
            if (bss && bss->associated)
                associated = std::move(bss);
        });
    return outcome == Outcome::answered ? associated : std::nullopt;
}

std::optional<Nl80211Station> Nl80211WirelessLink::accessPointStation(int ifindex,
                                                                      const QByteArray& bssid) const {
    std::optional<Nl80211Station> station;
    const Outcome outcome = request(
        NL80211_CMD_GET_STATION, false,
        [ifindex, &bssid](nl_msg* message) {
            return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0 &&
                   nla_put(message, NL80211_ATTR_MAC, static_cast<int>(bssid.size()), bssid.constData()) == 0;
        },
        [&station](nlmsghdr* answer) {
            if (!station)
                station = decodeStation(answer);
        });
    return outcome == Outcome::answered ? station : std::nullopt;
}

std::optional<int> Nl80211WirelessLink::inUseChannelNoise(int ifindex) const {
    std::optional<int> noise;
    const Outcome outcome = request(
        NL80211_CMD_GET_SURVEY, true,
        [ifindex](nl_msg* message) { return nla_put_u32(message, NL80211_ATTR_IFINDEX, ifindex) == 0; },
        [&noise](nlmsghdr* answer) {
            const std::optional<Nl80211Survey> survey = decodeSurvey(answer);
            if (survey && survey->inUse && !noise)
                noise = survey->noise;
        });
    return outcome == Outcome::answered ? noise : std::nullopt;
}
