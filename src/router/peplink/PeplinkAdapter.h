#pragma once

#include "router/RouterAccess.h"
#include "router/RouterAdapter.h"
#include "router/RouterHttpSession.h"

#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

// Reads a Peplink router through its HTTPS REST interface with a bearer token.
// Every fetch starts with a fresh token grant, so the only state kept between
// polls is the last token, which the model query and the health probe use. A
// token is only ever sent to the address that granted it.
class PeplinkAdapter final : public QObject, public RouterAdapter {
public:
    explicit PeplinkAdapter(RouterAccess& access);
    ~PeplinkAdapter() override;

    void connect(ConnectCompletion completion) override;
    void fetchClients(ClientsCompletion completion) override;
    void fetchClient(const QString& targetMAC, ClientCompletion completion) override;
    void probeRouterHealth(HealthCompletion completion) override;
    void fetchModelName(ModelCompletion completion) override;
    void resetSession() override;
    void disconnect() override;

private:
    struct GrantedToken {
        QString address;
        QString token;
    };
    // The granted token, or the sentence that says why there is none.
    struct TokenGrant {
        std::optional<GrantedToken> token;
        QString failure;
    };
    using GrantCompletion = std::function<void(const TokenGrant&)>;

    void grantToken(GrantCompletion completion);
    void sendGrant(const QString& address, const QUrl& url, const QString& username, const QString& password,
                   GrantCompletion completion);
    // GET of `path` at the token's own address with the token; `completion` gets
    // the body, or none when no answer came.
    void getWithToken(const QString& path, const GrantedToken& token, std::chrono::milliseconds timeout,
                      std::function<void(std::optional<QByteArray>)> completion);
    // The same with the last token, when it was granted by the address in use.
    void getWithLastToken(const QString& path, std::chrono::milliseconds timeout,
                          std::function<void(std::optional<QByteArray>)> completion);
    static std::optional<QUrl> urlFor(const QString& address, const QString& path);
    // Runs `work` on the next turn of the main queue, unless this adapter is gone.
    void later(std::function<void()> work);

    RouterAccess& access;
    std::optional<GrantedToken> peplinkToken;
    // Counts disconnects: a grant still waiting for the keyring when the user
    // disconnects must not go on to send the password.
    quint64 disconnectCount = 0;
    RouterHttpSession peplinkSession;
};
