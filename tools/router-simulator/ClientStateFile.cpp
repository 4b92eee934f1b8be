#include "ClientStateFile.h"

#include "ScenarioReader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QJsonObject clientObject(const SimClient& client) {
    QJsonObject object{
        {QStringLiteral("mac"), client.mac},
        {QStringLiteral("ip"), client.ip},
        {QStringLiteral("name"), client.name},
        {QStringLiteral("wired"), client.wired},
        {QStringLiteral("online"), client.online},
        {QStringLiteral("band"), client.band},
        {QStringLiteral("channel"), client.channel},
        {QStringLiteral("wifiInterface"), client.wifiInterface},
        {QStringLiteral("apInterface"), client.apInterface},
        {QStringLiteral("apMac"), client.apMac},
        {QStringLiteral("nss"), client.nss},
        {QStringLiteral("width"), client.widthMHz},
        {QStringLiteral("phy"), client.phy},
        {QStringLiteral("shortGI"), client.shortGI},
        {QStringLiteral("rssi"), client.rssi},
        {QStringLiteral("txRate"), client.txRate},
        {QStringLiteral("txBytes"), static_cast<double>(client.txBytes)},
        {QStringLiteral("rxBytes"), static_cast<double>(client.rxBytes)},
        {QStringLiteral("quirks"), QJsonArray::fromStringList(client.quirks)},
    };
    if (client.mcs)
        object.insert(QStringLiteral("mcs"), *client.mcs);
    return object;
}

} // namespace

QString ClientStateFile::path(const QString& stateDirectory, const QString& family) {
    return QDir(stateDirectory).filePath(family + QStringLiteral(".json"));
}

bool ClientStateFile::write(const QString& filePath, const Scenario& scenario,
                            const QList<SimClient>& clients) {
    QJsonArray list;
    for (const SimClient& client : clients)
        list.append(clientObject(client));
    QJsonArray accessPoints;
    for (const SimAccessPoint& ap : scenario.accessPoints)
        accessPoints.append(QJsonObject{{QStringLiteral("mac"), ap.mac},
                                        {QStringLiteral("ip"), ap.ip},
                                        {QStringLiteral("name"), ap.name},
                                        {QStringLiteral("model"), ap.model}});
    const QJsonObject root{
        {QStringLiteral("model"), QJsonObject{{QStringLiteral("glinet"), scenario.glinetModel},
                                              {QStringLiteral("unifi"), scenario.uniFiShortname},
                                              {QStringLiteral("peplink"), scenario.peplinkModel}}},
        {QStringLiteral("wifiDevices"), QJsonArray::fromStringList(scenario.wifiDevices)},
        {QStringLiteral("accessPoints"), accessPoints},
        {QStringLiteral("clients"), list},
    };
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    return file.commit();
}

std::optional<Scenario> ClientStateFile::read(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return ScenarioReader::read(file.readAll()).scenario;
}
