#include "app/cli/ClientTable.h"

#include "monitor/SignalModel.h"

namespace {

QString signalText(int rssi) {
    return rssi == noSignalRSSI ? QStringLiteral("--") : QString::number(rssi) + QStringLiteral(" dBm");
}

QString rateText(double mbps) {
    return mbps > 0 ? QString::number(mbps, 'f', 1) + QStringLiteral(" Mbit/s") : QStringLiteral("--");
}

} // namespace

QString clientsTable(const QList<RouterClient>& rows) {
    if (rows.isEmpty())
        return QStringLiteral("No wireless clients found\n");
    QString table;
    for (const RouterClient& row : rows) {
        table += row.mac + QStringLiteral("  ") +
                 (row.ip.isEmpty() ? QStringLiteral("-") : row.ip).leftJustified(15) + QStringLiteral("  ") +
                 row.iface.leftJustified(5) + QStringLiteral("  ") + signalText(row.rssi).rightJustified(8) +
                 QStringLiteral("  ") + rateText(row.txRate).rightJustified(13) + QStringLiteral("  ") +
                 (row.isOnline ? QStringLiteral("online ") : QStringLiteral("offline")) +
                 QStringLiteral("  ") + row.hostname + u'\n';
    }
    return table;
}
