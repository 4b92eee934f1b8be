#include "ScenarioReader.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

QString defaultInterface(const QString& band, const QStringList& byBand) {
    if (band == QStringLiteral("2.4G"))
        return byBand[0];
    if (band == QStringLiteral("6G"))
        return byBand[2];
    return byBand[1];
}

std::uint64_t counter(const QJsonValue& value) {
    const double number = value.toDouble(0.0);
    return number > 0.0 ? static_cast<std::uint64_t>(number) : 0;
}

QStringList strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& entry : value.toArray())
        if (entry.isString())
            list.append(entry.toString());
    return list;
}

} // namespace

std::optional<SimClient> ScenarioReader::readClient(const QJsonObject& object) {
    SimClient client;
    client.mac = object.value(QStringLiteral("mac")).toString();
    if (client.mac.isEmpty())
        return std::nullopt;
    client.ip = object.value(QStringLiteral("ip")).toString();
    client.name = object.value(QStringLiteral("name")).toString();
    client.wired = object.value(QStringLiteral("wired")).toBool(false);
    client.online = object.value(QStringLiteral("online")).toBool(true);
    client.band =
        object.value(QStringLiteral("band")).toString(client.wired ? QString() : QStringLiteral("5G"));
    client.channel = object.value(QStringLiteral("channel")).toInt(0);
    client.wifiInterface =
        object.value(QStringLiteral("wifiInterface"))
            .toString(defaultInterface(
                client.band, {QStringLiteral("wlan0"), QStringLiteral("wlan1"), QStringLiteral("wlan2")}));
    client.apInterface =
        object.value(QStringLiteral("apInterface"))
            .toString(defaultInterface(client.band, {QStringLiteral("wifi0ap0"), QStringLiteral("wifi1ap2"),
                                                     QStringLiteral("wifi2ap5")}));
    client.apMac = object.value(QStringLiteral("apMac")).toString();
    client.nss = object.value(QStringLiteral("nss")).toInt(0);
    client.widthMHz = object.value(QStringLiteral("width")).toInt(0);
    client.phy = object.value(QStringLiteral("phy")).toString();
    if (object.value(QStringLiteral("mcs")).isDouble())
        client.mcs = object.value(QStringLiteral("mcs")).toInt();
    client.shortGI = object.value(QStringLiteral("shortGI")).toBool(false);
    client.rssi = object.value(QStringLiteral("rssi")).toInt(-99);
    client.txRate = object.value(QStringLiteral("txRate")).toDouble(0.0);
    client.txBytes = counter(object.value(QStringLiteral("txBytes")));
    client.rxBytes = counter(object.value(QStringLiteral("rxBytes")));
    client.txBytesPerSecond = counter(object.value(QStringLiteral("txBytesPerSecond")));
    client.rxBytesPerSecond = counter(object.value(QStringLiteral("rxBytesPerSecond")));
    for (const QJsonValue& entry : object.value(QStringLiteral("timeline")).toArray()) {
        const QJsonObject step = entry.toObject();
        client.timeline.append({step.value(QStringLiteral("rssi")).toInt(client.rssi),
                                step.value(QStringLiteral("txRate")).toDouble(client.txRate)});
    }
    client.quirks = strings(object.value(QStringLiteral("quirks")));
    return client;
}

ScenarioReader::Result ScenarioReader::read(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return {std::nullopt, QStringLiteral("scenario is not JSON: ") + error.errorString()};
    if (!document.isObject())
        return {std::nullopt, QStringLiteral("scenario is not a JSON object")};
    const QJsonObject root = document.object();

    Scenario scenario;
    scenario.username = root.value(QStringLiteral("username")).toString();
    scenario.password = root.value(QStringLiteral("password")).toString();
    const QJsonValue model = root.value(QStringLiteral("model"));
    if (model.isString()) {
        scenario.glinetModel = scenario.uniFiShortname = scenario.peplinkModel = model.toString();
    } else {
        const QJsonObject models = model.toObject();
        scenario.glinetModel = models.value(QStringLiteral("glinet")).toString();
        scenario.uniFiShortname = models.value(QStringLiteral("unifi")).toString();
        scenario.peplinkModel = models.value(QStringLiteral("peplink")).toString();
    }
    const QJsonObject glinet = root.value(QStringLiteral("glinet")).toObject();
    scenario.glinetLogin.alg = glinet.value(QStringLiteral("alg")).toInt(scenario.glinetLogin.alg);
    scenario.glinetLogin.hashMethod =
        glinet.value(QStringLiteral("hashMethod")).toString(scenario.glinetLogin.hashMethod);
    scenario.glinetLogin.nonceLifetimeMs =
        glinet.value(QStringLiteral("nonceLifetimeMs")).toInt(scenario.glinetLogin.nonceLifetimeMs);
    for (const QJsonValue& entry : root.value(QStringLiteral("accessPoints")).toArray()) {
        const QJsonObject ap = entry.toObject();
        scenario.accessPoints.append({ap.value(QStringLiteral("mac")).toString(),
                                      ap.value(QStringLiteral("ip")).toString(),
                                      ap.value(QStringLiteral("name")).toString(),
                                      ap.value(QStringLiteral("model")).toString(QStringLiteral("U7PG2"))});
    }
    const QJsonObject apSSH = root.value(QStringLiteral("apSSH")).toObject();
    scenario.apSSHUsername = apSSH.value(QStringLiteral("username")).toString();
    scenario.apSSHPassword = apSSH.value(QStringLiteral("password")).toString();
    const QJsonArray clients = root.value(QStringLiteral("clients")).toArray();
    for (qsizetype i = 0; i < clients.size(); ++i) {
        const std::optional<SimClient> client = readClient(clients[i].toObject());
        if (!client)
            return {std::nullopt, QStringLiteral("client %1 has no \"mac\"").arg(i)};
        scenario.clients.append(*client);
    }
    scenario.wifiDevices = strings(root.value(QStringLiteral("wifiDevices")));
    if (scenario.wifiDevices.isEmpty()) {
        for (const SimClient& client : std::as_const(scenario.clients))
            if (!client.wired && !scenario.wifiDevices.contains(client.wifiInterface))
                scenario.wifiDevices.append(client.wifiInterface);
        scenario.wifiDevices.sort();
    }
    return {scenario, {}};
}
