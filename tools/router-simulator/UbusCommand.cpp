#include "UbusCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

// ubus exits with the status of the failed call: 4 is UBUS_STATUS_NOT_FOUND.
constexpr int notFound = 4;
constexpr int invalidArgument = 2;

CommandOutput failure(int code, const QByteArray& message) {
    return {{}, "Command failed: " + message + "\n", code};
}

// ubus indents with tabs.
QByteArray printed(const QJsonObject& object) {
    QByteArray text;
    for (const QByteArray& line : QJsonDocument(object).toJson(QJsonDocument::Indented).split('\n')) {
        if (line.isEmpty())
            continue;
        qsizetype spaces = 0;
        while (spaces < line.size() && line[spaces] == ' ')
            ++spaces;
        text += QByteArray(spaces / 4, '\t') + line.mid(spaces) + '\n';
    }
    return text;
}

bool isLegacyEra(const SimClient& client) {
    return client.phy == QStringLiteral("n");
}

// One direction of a station's link. Builds before Wi-Fi 6 support send
// `40mhz` and no `mhz`, `nss`, `he` or `eht`.
QJsonObject linkObject(const SimClient& client, double rateMbit, std::uint64_t bytes) {
    // Their counters are 32-bit and wrap.
    const std::uint64_t shownBytes = isLegacyEra(client) ? bytes % (std::uint64_t(1) << 32) : bytes;
    QJsonObject link{
        {QStringLiteral("packets"), static_cast<double>(shownBytes / 1200)},
        {QStringLiteral("bytes"), static_cast<double>(shownBytes)},
        {QStringLiteral("rate"), std::round(rateMbit * 1000.0)},
    };
    const QString& phy = client.phy;
    const bool modern = !isLegacyEra(client);
    link.insert(QStringLiteral("ht"), phy == QStringLiteral("n"));
    link.insert(QStringLiteral("vht"), phy == QStringLiteral("ac"));
    if (modern) {
        link.insert(QStringLiteral("he"), phy == QStringLiteral("ax"));
        link.insert(QStringLiteral("eht"), phy == QStringLiteral("be"));
        link.insert(QStringLiteral("mhz"), client.widthMHz > 0 ? client.widthMHz : 20);
    } else {
        link.insert(QStringLiteral("40mhz"), client.widthMHz >= 40);
    }
    if (client.mcs)
        link.insert(QStringLiteral("mcs"), *client.mcs);
    if (modern && client.nss > 0 && phy != QStringLiteral("g") && !phy.isEmpty())
        link.insert(QStringLiteral("nss"), client.nss);
    if (phy == QStringLiteral("ax"))
        link.insert(QStringLiteral("he_gi"), client.shortGI ? 0 : 1);
    else if (phy == QStringLiteral("be"))
        link.insert(QStringLiteral("eht_gi"), client.shortGI ? 0 : 1);
    else if (phy == QStringLiteral("n") || phy == QStringLiteral("ac"))
        link.insert(QStringLiteral("short_gi"), client.shortGI);
    return link;
}

QJsonObject stationObject(const SimClient& client) {
    QJsonObject rx = linkObject(client, client.txRate * 0.8, client.rxBytes);
    rx.insert(QStringLiteral("drop_misc"), 0);
    QJsonObject tx = linkObject(client, client.txRate, client.txBytes);
    tx.insert(QStringLiteral("failed"), 3);
    tx.insert(QStringLiteral("retries"), 120);
    return {
        {QStringLiteral("mac"), client.mac.toUpper()},
        {QStringLiteral("signal"), client.rssi},
        {QStringLiteral("signal_avg"), client.rssi + 1},
        {QStringLiteral("noise"), -92},
        {QStringLiteral("inactive"), 40},
        {QStringLiteral("connected_time"), 3600},
        {QStringLiteral("thr"), std::round(client.txRate * 700.0)},
        {QStringLiteral("authorized"), true},
        {QStringLiteral("authenticated"), true},
        {QStringLiteral("preamble"), QStringLiteral("long")},
        {QStringLiteral("wme"), true},
        {QStringLiteral("mfp"), client.phy == QStringLiteral("ax") || client.phy == QStringLiteral("be")},
        {QStringLiteral("tdls"), false},
        {QStringLiteral("rx"), rx},
        {QStringLiteral("tx"), tx},
    };
}

QJsonObject boardObject(const Scenario& state) {
    return {
        {QStringLiteral("kernel"), QStringLiteral("5.4.211")},
        {QStringLiteral("hostname"), QStringLiteral("GL-router")},
        {QStringLiteral("system"), QStringLiteral("ARMv8 Processor rev 4")},
        {QStringLiteral("model"), state.glinetModel},
        {QStringLiteral("board_name"), QStringLiteral("glinet,router")},
        {QStringLiteral("rootfs_type"), QStringLiteral("squashfs")},
        {QStringLiteral("release"),
         QJsonObject{{QStringLiteral("distribution"), QStringLiteral("OpenWrt")},
                     {QStringLiteral("version"), QStringLiteral("21.02-SNAPSHOT")},
                     {QStringLiteral("revision"), QStringLiteral("r15812+1075-46b6ee7ffc")},
                     {QStringLiteral("target"), QStringLiteral("mediatek/filogic")},
                     {QStringLiteral("description"),
                      QStringLiteral("OpenWrt 21.02-SNAPSHOT r15812+1075-46b6ee7ffc")}}},
    };
}

} // namespace

CommandOutput UbusCommand::run(const QStringList& arguments, const Scenario& state) {
    QStringList words = arguments;
    // Connection options change nothing here.
    while (!words.isEmpty() && words.first().startsWith(QLatin1Char('-'))) {
        const QString option = words.takeFirst();
        if ((option == QStringLiteral("-t") || option == QStringLiteral("-s")) && !words.isEmpty())
            words.removeFirst();
    }
    if (words.size() < 3 || words[0] != QStringLiteral("call"))
        return {{}, "Usage: ubus [<options>] <command> [arguments...]\n", 1};
    const QString object = words[1];
    const QString method = words[2];
    QJsonObject message;
    if (words.size() > 3) {
        const QJsonDocument document = QJsonDocument::fromJson(words[3].toUtf8());
        if (!document.isObject())
            return {{}, "Failed to parse message data\n", 255};
        message = document.object();
    }
    if (object == QStringLiteral("system") && method == QStringLiteral("board"))
        return {printed(boardObject(state)), {}, 0};
    if (object != QStringLiteral("iwinfo"))
        return failure(notFound, "Not found");
    if (method == QStringLiteral("devices"))
        return {printed({{QStringLiteral("devices"), QJsonArray::fromStringList(state.wifiDevices)}}), {}, 0};
    if (method != QStringLiteral("assoclist"))
        return failure(notFound, "Method not found");
    const QString device = message.value(QStringLiteral("device")).toString();
    if (device.isEmpty())
        return failure(invalidArgument, "Invalid argument");
    if (!state.wifiDevices.contains(device))
        return failure(notFound, "Not found");
    QJsonArray results;
    for (const SimClient& client : state.clients)
        if (!client.wired && client.online && client.wifiInterface == device)
            results.append(stationObject(client));
    return {printed({{QStringLiteral("results"), results}}), {}, 0};
}
