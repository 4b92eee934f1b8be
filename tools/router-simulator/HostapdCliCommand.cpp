#include "HostapdCliCommand.h"

#include <cmath>

namespace {

// hostapd states rates in units of 100 kbit/s, then the MCS details it knows;
// drivers flag a short guard interval for HT and VHT rates only.
QByteArray rateInfo(const SimClient& client, double rateMbit) {
    QByteArray text = QByteArray::number(std::llround(rateMbit * 10.0));
    const int mcs = client.mcs.value_or(-1);
    // An HT index also counts the streams: eight per stream.
    if (client.phy == QStringLiteral("n") && mcs >= 0)
        text += " mcs " + QByteArray::number(mcs + 8 * (std::max(client.nss, 1) - 1));
    else if (client.phy == QStringLiteral("ac") && mcs >= 0)
        text +=
            " vhtmcs " + QByteArray::number(mcs) + " vhtnss " + QByteArray::number(std::max(client.nss, 1));
    else if (client.phy == QStringLiteral("ax") && mcs >= 0)
        text += " hemcs " + QByteArray::number(mcs) + " henss " + QByteArray::number(std::max(client.nss, 1));
    else if (client.phy == QStringLiteral("be") && mcs >= 0)
        text +=
            " ehtmcs " + QByteArray::number(mcs) + " ehtnss " + QByteArray::number(std::max(client.nss, 1));
    if (client.shortGI && client.phy != QStringLiteral("ax") && client.phy != QStringLiteral("be"))
        text += " shortGI";
    return text;
}

QByteArray flags(const SimClient& client) {
    QByteArray text = "[AUTH][ASSOC][AUTHORIZED][WMM]";
    if (client.phy == QStringLiteral("n") || client.phy == QStringLiteral("ac") ||
        client.phy == QStringLiteral("ax"))
        text += "[HT]";
    if (client.phy == QStringLiteral("ac") || client.phy == QStringLiteral("ax"))
        text += "[VHT]";
    if (client.phy == QStringLiteral("ax") || client.phy == QStringLiteral("be"))
        text += "[HE]";
    if (client.phy == QStringLiteral("be"))
        text += "[EHT]";
    return text;
}

QByteArray stationEntry(const SimClient& client) {
    const QByteArray mac = client.mac.toLower().toLatin1();
    return mac + "\n" + "flags=" + flags(client) + "\n" +
           "aid=1\n"
           "capability=0x0011\n"
           "listen_interval=10\n"
           "supported_rates=8c 12 98 24 b0 48 60 6c\n"
           "timeout_next=NULLFUNC POLL\n"
           "dot11RSNAStatsSTAAddress=" +
           mac + "\n" + "rx_packets=" + QByteArray::number(client.rxBytes / 1200) + "\n" +
           "tx_packets=" + QByteArray::number(client.txBytes / 1200) + "\n" +
           "rx_bytes=" + QByteArray::number(client.rxBytes) + "\n" +
           "tx_bytes=" + QByteArray::number(client.txBytes) + "\n" +
           "inactive_msec=420\n"
           "signal=" +
           QByteArray::number(client.rssi) + "\n" + "rx_rate_info=" + rateInfo(client, client.txRate * 0.8) +
           "\n" + "tx_rate_info=" + rateInfo(client, client.txRate) + "\n" + "connected_time=3600\n";
}

// Without an access point at the address, every station counts as its own.
bool isOn(const SimClient& client, const QString& interface, const std::optional<QString>& apMac) {
    return !client.wired && client.online && client.apInterface == interface &&
           (!apMac || client.apMac.compare(*apMac, Qt::CaseInsensitive) == 0);
}

std::optional<QString> accessPointAt(const Scenario& state, const QString& address) {
    for (const SimAccessPoint& ap : state.accessPoints)
        if (ap.ip == address)
            return ap.mac;
    return std::nullopt;
}

} // namespace

CommandOutput HostapdCliCommand::run(const QStringList& arguments, const Scenario& state,
                                     const QString& address) {
    const std::optional<QString> apMac = accessPointAt(state, address);
    QString interface;
    QStringList command;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if ((word == QStringLiteral("-p") || word == QStringLiteral("-i")) && i + 1 < arguments.size()) {
            if (word == QStringLiteral("-i"))
                interface = arguments[i + 1];
            ++i;
        } else if (word.startsWith(QStringLiteral("-i")) && word.size() > 2) {
            interface = word.mid(2);
        } else if (!word.startsWith(QLatin1Char('-'))) {
            command.append(word);
        }
    }
    if (command.size() == 2 && command[0] == QStringLiteral("sta")) {
        for (const SimClient& client : state.clients)
            if (isOn(client, interface, apMac) && client.mac.compare(command[1], Qt::CaseInsensitive) == 0)
                return {stationEntry(client), {}, 0};
        return {"FAIL\n", {}, 0};
    }
    if (command.size() == 1 && command[0] == QStringLiteral("all_sta")) {
        QByteArray entries;
        for (const SimClient& client : state.clients)
            if (isOn(client, interface, apMac))
                entries += stationEntry(client);
        return {entries, {}, 0};
    }
    // Current firmware also runs a scanning radio and a multi-link device,
    // neither of which carries stations.
    if (command.size() == 1 && command[0] == QStringLiteral("status")) {
        QStringList interfaces{QStringLiteral("mld-wifi0"), QStringLiteral("scan0")};
        for (const SimClient& client : state.clients)
            if (!client.wired && !interfaces.contains(client.apInterface) &&
                (!apMac || client.apMac.compare(*apMac, Qt::CaseInsensitive) == 0))
                interfaces.append(client.apInterface);
        QByteArray status = "state=ENABLED\n";
        for (qsizetype i = 0; i < interfaces.size(); ++i)
            status += "bss[" + QByteArray::number(i) + "]=" + interfaces[i].toLatin1() + "\n";
        return {status, {}, 0};
    }
    return {"UNKNOWN COMMAND\n", {}, 0};
}
