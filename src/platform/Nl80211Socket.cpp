#include "platform/Nl80211Socket.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <linux/nl80211.h>
#include <netlink/genl/ctrl.h>
#include <netlink/genl/genl.h>
#include <netlink/netlink.h>
#include <poll.h>

namespace {

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

void Nl80211Socket::SocketDeleter::operator()(nl_sock* socket) const {
    nl_socket_free(socket);
}

Nl80211Socket::Nl80211Socket() = default;

Nl80211Socket::~Nl80211Socket() = default;

Nl80211Socket::Opening Nl80211Socket::open() {
    std::unique_ptr<nl_sock, SocketDeleter> opened(nl_socket_alloc());
    if (!opened || genl_connect(opened.get()) < 0)
        return Opening::failed;
    const int resolved = genl_ctrl_resolve(opened.get(), NL80211_GENL_NAME);
    if (resolved < 0)
        return Opening::noNl80211;
    if (nl_socket_set_nonblocking(opened.get()) < 0)
        return Opening::failed;
    socket = std::move(opened);
    familyId = resolved;
    return Opening::opened;
}

bool Nl80211Socket::isOpen() const {
    return socket != nullptr;
}

void Nl80211Socket::close() {
    socket.reset();
    familyId = -1;
}

Nl80211Socket::Outcome Nl80211Socket::request(uint8_t command, bool dump,
                                              const std::function<bool(nl_msg*)>& fill,
                                              const std::function<void(nlmsghdr*)>& onAnswer,
                                              std::chrono::milliseconds within) {
    if (!socket)
        return {Status::broken};

    const std::unique_ptr<nl_msg, MessageDeleter> message(nlmsg_alloc());
    if (!message ||
        genlmsg_put(message.get(), NL_AUTO_PORT, NL_AUTO_SEQ, familyId, 0, dump ? NLM_F_DUMP : 0, command,
                    0) == nullptr ||
        !fill(message.get()))
        return {Status::refused};
    if (nl_send_auto(socket.get(), message.get()) < 0) {
        close();
        return {Status::broken};
    }

    Reply reply{onAnswer};
    const std::unique_ptr<nl_cb, CallbackDeleter> callbacks(nl_cb_alloc(NL_CB_DEFAULT));
    if (!callbacks) {
        close();
        return {Status::broken};
    }
    nl_cb_set(callbacks.get(), NL_CB_VALID, NL_CB_CUSTOM, onValid, &reply);
    nl_cb_set(callbacks.get(), NL_CB_FINISH, NL_CB_CUSTOM, onComplete, &reply);
    nl_cb_set(callbacks.get(), NL_CB_ACK, NL_CB_CUSTOM, onComplete, &reply);
    nl_cb_err(callbacks.get(), NL_CB_CUSTOM, onError, &reply);

    const QDeadlineTimer deadline(within);
    while (reply.status > 0) {
        pollfd readable{nl_socket_get_fd(socket.get()), POLLIN, 0};
        const int ready = ::poll(&readable, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            close();
            return {Status::broken};
        }
        const int received = nl_recvmsgs(socket.get(), callbacks.get());
        if (reply.status <= 0)
            break;
        if (received < 0 && received != -NLE_AGAIN) {
            close();
            return {Status::broken};
        }
    }
    if (reply.status == 0)
        return {Status::answered};
    return {Status::refused, -reply.status};
}
