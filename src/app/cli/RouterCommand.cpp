#include "app/cli/RouterCommand.h"

#include "app/cli/ClientJson.h"
#include "app/cli/ClientTable.h"
#include "router/RouterFamily.h"
#include "router/RouterManager.h"
#include "router/identity/RouterIdentityStore.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSchema.h"
#include "settings/SettingsStore.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QRegularExpression>
#include <optional>

namespace {

// Starts `request` with a completion that records its answer, and runs the
// event loop until that answer came.
template <typename Answer, typename Request> Answer await(Request request) {
    QEventLoop loop;
    std::optional<Answer> answer;
    request([&](Answer value) {
        answer = std::move(value);
        loop.quit();
    });
    if (!answer)
        loop.exec();
    return std::move(*answer);
}

struct ConnectAnswer {
    bool success = false;
    std::optional<QString> message;
};

ConnectAnswer connectRouter(RouterManager& router) {
    return await<ConnectAnswer>([&](auto done) {
        router.connect([done = std::move(done)](bool success, std::optional<QString> message) mutable {
            done(ConnectAnswer{success, std::move(message)});
        });
    });
}

bool takesNoArguments(const QStringList& args, const char* verb, QTextStream& err) {
    if (args.isEmpty())
        return true;
    err << "veltrano-cli " << verb << ": takes no arguments\nusage: veltrano-cli " << verb << '\n';
    return false;
}

RouterDetection detect(RouterManager& router, const QString& address) {
    return await<RouterDetection>([&](auto done) { router.detectRouterType(address, std::move(done)); });
}

bool isKnownFamily(const QString& family) {
    return SettingsSchema::routerTypes.contains(family);
}

} // namespace

int runDetectCommand(const QStringList& args, RouterManager& router, SettingsStore& settings,
                     QTextStream& out, QTextStream& err) {
    if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
        err << "usage: veltrano-cli detect ADDRESS\n";
        return 2;
    }
    const QString address = args.first().trimmed();
    const RouterDetection detection = detect(router, address);
    out << detection.family << '\n';
    if (detection.refusal) {
        err << *detection.refusal << '\n';
        return 1;
    }
    // Asked for by the user, so it is stored, unless nothing answered: that
    // says nothing of the router, and would turn a live session's polls away
    // from its adapter. Another family than at the address's first login was
    // refused above.
    const bool tellsNothing =
        detection.family == RouterFamily::unknown && settings.readBool(SettingsKey::routerConnected);
    if (settings.readString(SettingsKey::routerIP).value_or(QString()).trimmed() == address && !tellsNothing)
        settings.writeString(SettingsKey::detectedRouterType, detection.family);
    return detection.family == RouterFamily::unknown ? 1 : 0;
}

int runConnectCommand(const QStringList& args, RouterManager& router, SettingsStore& settings,
                      QTextStream& out, QTextStream& err) {
    if (!takesNoArguments(args, "connect", err))
        return 2;
    const QString address = router.routerAddress();
    if (!isKnownFamily(settings.readString(SettingsKey::detectedRouterType).value_or(QString()))) {
        const RouterDetection detection = detect(router, address);
        if (detection.refusal) {
            err << *detection.refusal << '\n';
            return 1;
        }
        if (!isKnownFamily(detection.family)) {
            err << "Router type not recognized \u2014 check IP and try again\n";
            return 1;
        }
        settings.writeString(SettingsKey::detectedRouterType, detection.family);
    }

    settings.writeBool(SettingsKey::routerConnected, false);
    router.resetSession();
    const ConnectAnswer answer = connectRouter(router);
    if (!answer.success) {
        err << answer.message.value_or(
                   QStringLiteral("Connection failed \u2014 check credentials and try again"))
            << '\n';
        return 1;
    }
    settings.writeBool(SettingsKey::routerConnected, true);
    // As the settings window's Connect: the next launch reconnects by itself.
    settings.writeBool(SettingsKey::routerAutoReconnect, true);
    const std::optional<QString> model =
        await<std::optional<QString>>([&](auto done) { router.fetchModelName(std::move(done)); });
    settings.writeString(SettingsKey::detectedModelName, model.value_or(QString()));
    out << "Connected to " << address;
    if (model && !model->isEmpty())
        out << " (" << *model << ')';
    const std::optional<RouterRecord> record = RouterIdentityStore::beside(settings).standing(address).record;
    if (record && record->scheme == QStringLiteral("http"))
        out << " (unencrypted)";
    out << '\n';
    return 0;
}

int runClientsCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err) {
    const bool json = args == QStringList{QStringLiteral("--json")};
    if (!json && !args.isEmpty()) {
        err << "usage: veltrano-cli clients [--json]\n";
        return 2;
    }
    const std::optional<QList<RouterClient>> rows =
        await<std::optional<QList<RouterClient>>>([&](auto done) { router.fetchClients(std::move(done)); });
    if (!rows) {
        err << "veltrano-cli clients: the router at " << router.routerAddress() << " did not answer\n";
        return 1;
    }
    out << (json ? QString::fromUtf8(clientsJson(*rows)) : clientsTable(*rows));
    return 0;
}

int runClientCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err) {
    static const QRegularExpression macPattern(
        QRegularExpression::anchoredPattern(QStringLiteral("[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}")));
    const bool json = args.size() == 2 && args[1] == QStringLiteral("--json");
    if (!(args.size() == 1 || json) || !macPattern.match(args.first()).hasMatch()) {
        err << "usage: veltrano-cli client MAC [--json]   (MAC such as 78:f5:05:aa:bb:cc)\n";
        return 2;
    }
    const QString mac = args.first();
    const std::optional<RouterClient> row = await<std::optional<RouterClient>>(
        [&](auto done) { router.fetchSettledClient(mac, std::move(done)); });
    if (!row) {
        err << "veltrano-cli client: the router at " << router.routerAddress() << " lists no wireless client "
            << mac << '\n';
        return 1;
    }
    out << (json ? QString::fromUtf8(QJsonDocument(clientJson(*row)).toJson(QJsonDocument::Indented))
                 : clientsTable({*row}));
    return 0;
}

int runModelCommand(const QStringList& args, RouterManager& router, QTextStream& out, QTextStream& err) {
    if (!takesNoArguments(args, "model", err))
        return 2;
    // A one-shot process holds no session, and some families only name their
    // model to a logged-in client.
    const ConnectAnswer connected = connectRouter(router);
    if (!connected.success) {
        err << connected.message.value_or(
                   QStringLiteral("Connection failed \u2014 check credentials and try again"))
            << '\n';
        return 1;
    }
    const std::optional<QString> model =
        await<std::optional<QString>>([&](auto done) { router.fetchModelName(std::move(done)); });
    if (!model) {
        err << "veltrano-cli model: the router did not name its model\n";
        return 1;
    }
    out << *model << '\n';
    return 0;
}
