#include "router/CameraVendor.h"

#include <QHash>
#include <QStringList>
#include <initializer_list>

namespace {

// Prefixes of the makers whose cameras tether over Wi-Fi.
const QHash<QString, QString>& vendorByPrefix() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> byPrefix;
        const auto add = [&byPrefix](const char* vendor, std::initializer_list<const char*> prefixes) {
            for (const char* prefix : prefixes)
                byPrefix.insert(QString::fromLatin1(prefix), QString::fromLatin1(vendor));
        };
        add("Nikon", {"3C:BE:E1", "00:90:B5"});
        add("Canon", {"84:BA:3B", "60:12:8B", "5C:62:5A", "74:38:B7", "00:BB:C1", "F4:81:39", "00:1E:8F",
                      "00:0F:A0", "50:03:CF", "34:9F:7B", "9C:32:CE", "00:30:C4", "00:00:85", "DC:C2:C9",
                      "6C:3C:7C", "F8:A2:6D", "18:0C:AC", "2C:9E:FC", "F8:0D:60", "D8:49:2F", "88:87:17",
                      "A4:F0:1F", "40:F8:DF", "74:BF:C0", "F4:A9:97", "6C:F2:D8", "80:03:0D", "78:F5:05"});
        add("Sony",
            {"04:5D:4B", "10:4F:A8", "40:B8:37", "54:42:49", "78:84:3C", "AC:9B:0A", "B4:52:7E", "2C:97:ED"});
        add("Fujifilm", {"88:B4:36", "00:C0:2D"});
        add("Leica", {"8C:87:3B"});
        add("DJI", {"60:60:1F", "48:1C:B9"});
        return byPrefix;
    }();
    return table;
}

// Only the R5 Mark II's prefix is known; no prefix identifies an R1.
const QHash<QString, CameraModelHint>& hintByPrefix() {
    static const QHash<QString, CameraModelHint> table = {
        {QStringLiteral("78:F5:05"), CameraModelHint::r5MarkII}};
    return table;
}

// Routers write MACs with either separator and in either case.
QString normalisedPrefix(const QString& mac) {
    QString normalised = mac.toUpper();
    normalised.replace(QLatin1Char('-'), QLatin1Char(':'));
    return normalised.split(QLatin1Char(':')).mid(0, 3).join(QLatin1Char(':'));
}

} // namespace

std::optional<QString> vendorForMAC(const QString& mac) {
    const auto found = vendorByPrefix().constFind(normalisedPrefix(mac));
    if (found == vendorByPrefix().constEnd())
        return std::nullopt;
    return *found;
}

std::optional<CameraModelHint> cameraModelHint(const QString& mac) {
    const auto found = hintByPrefix().constFind(normalisedPrefix(mac));
    if (found == hintByPrefix().constEnd())
        return std::nullopt;
    return *found;
}
