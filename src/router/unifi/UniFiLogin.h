#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// What a login answer means for the session.
enum class UniFiLoginVerdict {
    accepted,
    // The login was answered with a refusal of the credentials (400, 401 or
    // 403): the classic controller is worth a try, and a poll should not send
    // the same password again.
    rejected,
    // No answer, or one that is no UniFi login's (another status, or a 200
    // without a session): nothing is known about the credentials, and the
    // classic controller is worth a try.
    inconclusive,
    // A cloud account demanding multi-factor sign-in: no local login will pass,
    // so there is nothing to fall back to.
    ssoAccount,
    // The address showed another certificate than the one pinned, and heard
    // nothing. The classic controller's port is still judged on its own.
    identityChanged,
    // Accepted, but what the router showed could not be kept: the session is
    // not used, or the next login would pass for a first one.
    identityNotSaved,
};

struct UniFiLoginOutcome {
    UniFiLoginVerdict verdict = UniFiLoginVerdict::inconclusive;
    // "TOKEN=..." or "unifises=..." when accepted.
    QString cookie;
    // For the X-CSRF-Token header; may be empty.
    QString csrfToken;
};

// `status` is none when no HTTP answer came; `headers` as the reply lists them.
UniFiLoginOutcome uniFiLoginOutcome(std::optional<int> status,
                                    const QList<QPair<QByteArray, QByteArray>>& headers,
                                    const QByteArray& body);

// Shown when the console wants multi-factor sign-in.
QString uniFiSSOAccountMessage();

// Shown when neither the console nor the classic controller accepted the login.
QString uniFiAuthenticationFailedMessage();
