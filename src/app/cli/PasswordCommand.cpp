#include "app/cli/PasswordCommand.h"

#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "router/keyring/CredentialStore.h"
#include "router/keyring/RouterCredentials.h"

#include <termios.h>
#include <unistd.h>

namespace {

const char* const usageText =
    "Usage: veltrano-cli password set | delete | status\n"
    "\n"
    "  set     read the router password as one line from standard input and keep it\n"
    "          in the keyring for the router at routerIP\n"
    "  delete  remove the password kept for routerIP\n"
    "  status  whether a password is kept for routerIP, with the keyring's status\n"
    "          code; the password itself is never shown\n";

// Keeps the typed password off the screen; the terminal is restored on every path.
class TerminalEchoOff {
public:
    TerminalEchoOff() {
        if (tcgetattr(STDIN_FILENO, &saved) != 0)
            return;
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        active = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~TerminalEchoOff() {
        if (active)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    }
    TerminalEchoOff(const TerminalEchoOff&) = delete;
    TerminalEchoOff& operator=(const TerminalEchoOff&) = delete;

private:
    termios saved{};
    bool active = false;
};

QString statusMeaning(qint32 status) {
    switch (status) {
    case CredentialStatus::success:
        return QStringLiteral("ok");
    case CredentialStatus::itemNotFound:
        return QStringLiteral("no item for this account");
    case CredentialStatus::notAvailable:
        return QStringLiteral("no Secret Service answers on the session bus");
    case CredentialStatus::collectionLocked:
        return QStringLiteral("the keyring is locked");
    default:
        return QStringLiteral("the Secret Service failed");
    }
}

QString statusText(qint32 status) {
    return QStringLiteral("%1 (%2)").arg(status).arg(statusMeaning(status));
}

int setPassword(const QString& routerIP, CredentialStore& store, QTextStream& in, bool inputIsTerminal,
                QTextStream& out, QTextStream& err) {
    QString password;
    bool gotLine = false;
    if (inputIsTerminal) {
        err << "Router password for " << routerIP << ": " << Qt::flush;
        const TerminalEchoOff echoOff;
        gotLine = in.readLineInto(&password);
        err << '\n';
    } else {
        gotLine = in.readLineInto(&password);
    }
    if (!gotLine || password.isEmpty()) {
        err << "veltrano-cli password set: no password on standard input; nothing was saved\n";
        return 1;
    }
    const QString account = RouterCredentials::accountFor(routerIP);
    if (const std::optional<QString> failure = RouterCredentials::saveAndVerify(store, password, account)) {
        err << "veltrano-cli password set: " << *failure << '\n';
        return 1;
    }
    out << "Saved the router password for " << routerIP << " in the keyring.\n";
    return 0;
}

int deletePassword(const QString& routerIP, CredentialStore& store, QTextStream& out, QTextStream& err) {
    const qint32 status = store.deletePassword(RouterCredentials::accountFor(routerIP));
    if (status == CredentialStatus::itemNotFound) {
        out << "No router password was kept for " << routerIP << ".\n";
        return 0;
    }
    if (status != CredentialStatus::success) {
        err << "veltrano-cli password delete: not deleted, status " << statusText(status) << '\n';
        return 1;
    }
    out << "Deleted the router password for " << routerIP << ".\n";
    return 0;
}

int passwordStatus(const QString& routerIP, CredentialStore& store, QTextStream& out) {
    const QString account = RouterCredentials::accountFor(routerIP);
    const PasswordRead read = store.readPassword(account);
    QString stored = QStringLiteral("no");
    if (read.value)
        stored = read.value->isEmpty() ? QStringLiteral("yes, empty (counts as no password)")
                                       : QStringLiteral("yes");
    out << "Router address: " << routerIP << '\n'
        << "Account:        " << account << '\n'
        << "Stored:         " << stored << '\n'
        << "Status:         " << statusText(read.status) << '\n';
    return read.value && !read.value->isEmpty() ? 0 : 1;
}

} // namespace

int runPasswordCommand(const QStringList& args, const SettingsStore& settings, CredentialStore& store,
                       QTextStream& in, bool inputIsTerminal, QTextStream& out, QTextStream& err) {
    const QString verb = args.value(0);
    const bool knownVerb =
        verb == QStringLiteral("set") || verb == QStringLiteral("delete") || verb == QStringLiteral("status");
    if (!knownVerb || args.size() != 1) {
        if (verb == QStringLiteral("set") && args.size() > 1)
            err << "veltrano-cli password set: takes no arguments; the password is read from standard input "
                   "so "
                   "that it never shows in the process list\n";
        err << usageText;
        return 2;
    }

    // A password belongs to one router address, so there is nothing to act on
    // until the address is known.
    const QString routerIP = settings.readString(SettingsKey::routerIP).value_or(QString());
    if (routerIP.isEmpty()) {
        err << "veltrano-cli password " << verb
            << ": routerIP is not set; set the router address first with "
               "\"veltrano-cli settings set routerIP ADDRESS\"\n";
        return 1;
    }

    if (verb == QStringLiteral("set"))
        return setPassword(routerIP, store, in, inputIsTerminal, out, err);
    if (verb == QStringLiteral("delete"))
        return deletePassword(routerIP, store, out, err);
    return passwordStatus(routerIP, store, out);
}
