// Every parser of outside bytes as a libFuzzer target. Each executable is this file
// built with one FUZZ_<target> definition, which selects the body of fuzzOne.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// The station every seed answer lists, so that mutations reach the row code.
[[maybe_unused]] const QString targetMAC = u"78:F5:05:4A:10:01"_s;

// Aborts, so that libFuzzer keeps the input, when a parser breaks a promise of its own.
[[maybe_unused]] void require(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

#if defined(FUZZ_glinet_challenge) || defined(FUZZ_glinet_login)
#include "router/glinet/GlinetLogin.h"
void fuzzOne(const QByteArray& data) {
#ifdef FUZZ_glinet_challenge
    if (const std::optional<GlinetChallenge> challenge = readGlinetChallenge(data))
        (void)glinetLoginHash(*challenge, u"studio'Lab%42"_s);
#else
    const GlinetLoginResult result = readGlinetLoginAnswer(data);
    require(result.sid.has_value() == result.rejectionDetail.isEmpty());
#endif
}

#elif defined(FUZZ_glinet_clients)
#include "router/glinet/GlinetClientList.h"
#include "router/glinet/GlinetFieldDump.h"
void fuzzOne(const QByteArray& data) {
    const GlinetClientList list = readGlinetClientList(data);
    if (const std::optional<QJsonObject> entry = glinetClientEntry(list.clients, targetMAC))
        (void)glinetClientListDump(targetMAC, *entry);
}

#elif defined(FUZZ_glinet_board)
#include "router/glinet/GlinetModelName.h"
void fuzzOne(const QByteArray& data) {
    if (const std::optional<QString> model = readGlinetBoardModel(data))
        (void)glinetModelName(*model);
}

#elif defined(FUZZ_iwinfo_devices) || defined(FUZZ_iwinfo_assoclist)
#include "router/glinet/GlinetFieldDump.h"
#include "router/glinet/GlinetStation.h"
void fuzzOne(const QByteArray& data) {
#ifdef FUZZ_iwinfo_devices
    for (const QString& device : readIwinfoDevices(data).value_or(QStringList()))
        (void)glinetAssoclistCommand(device);
#else
    if (const std::optional<QJsonObject> station = findAssociatedStation(data, targetMAC)) {
        (void)glinetAssoclistDump(targetMAC, *station);
        (void)withRadio(RouterClient{.mac = targetMAC}, radioFromStation(*station), false);
    }
#endif
}

#elif defined(FUZZ_unifi_login)
#include "router/unifi/UniFiLogin.h"
// The input is an answer as "<status>\n<name>: <value>\n...\n\n<body>"; a first
// line that is no number stands for no answer at all.
void fuzzOne(const QByteArray& data) {
    const qsizetype headEnd = data.indexOf("\n\n");
    const QList<QByteArray> head = data.left(headEnd < 0 ? data.size() : headEnd).split('\n');
    bool isNumber = false;
    const int status = head.first().toInt(&isNumber);
    QList<QPair<QByteArray, QByteArray>> headers;
    for (const QByteArray& line : head.mid(1))
        if (const qsizetype colon = line.indexOf(':'); colon > 0)
            headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    const UniFiLoginOutcome outcome =
        uniFiLoginOutcome(isNumber ? std::optional(status) : std::nullopt, headers,
                          headEnd < 0 ? QByteArray() : data.mid(headEnd + 2));
    require(outcome.verdict == UniFiLoginVerdict::accepted || outcome.cookie.isEmpty());
}

#elif defined(FUZZ_unifi_sta) || defined(FUZZ_unifi_device)
#include "router/unifi/UniFiAccessPointLookup.h"
#include "router/unifi/UniFiAnswer.h"
#include "router/unifi/UniFiStationRow.h"

#include <QHostAddress>
void fuzzOne(const QByteArray& data) {
    const std::optional<QJsonArray> answer = uniFiData(data);
    if (!answer)
        return;
#ifdef FUZZ_unifi_sta
    (void)uniFiStationRows(*answer);
    (void)uniFiAccessPointMAC(*answer, targetMAC);
    if (const std::optional<QJsonObject> station = uniFiObjectForMAC(*answer, targetMAC))
        (void)uniFiStationDump(*station, targetMAC);
#else
    if (const std::optional<QString> ip = uniFiAccessPointAddress(*answer, u"AC:8B:A9:21:64:0D"_s).ip)
        require(QHostAddress(*ip).protocol() == QAbstractSocket::IPv4Protocol);
#endif
}

#elif defined(FUZZ_unifi_system)
#include "router/RowNormalisation.h"
void fuzzOne(const QByteArray& data) {
    if (const std::optional<QJsonDocument> document = parseRouterJson(data))
        (void)document->object().value(u"hardware"_s).toObject().value(u"shortname"_s).toString();
}

#elif defined(FUZZ_unifi_mgmt)
#include "router/unifi/AccessPointSSHCredentials.h"
void fuzzOne(const QByteArray& data) {
    if (const std::optional<AccessPointSSHCredentials> found = accessPointSSHCredentials(data))
        require(!found->username.isEmpty() && !found->password.isEmpty());
}

#elif defined(FUZZ_hostapd_sta)
#include "router/unifi/AccessPointRow.h"
void fuzzOne(const QByteArray& data) {
    if (const std::optional<HostapdStation> station = hostapdStation(QString::fromUtf8(data), targetMAC))
        (void)accessPointRow(targetMAC, *station, CachedStationFacts{.nss = 2, .widthMHz = 80});
}

#elif defined(FUZZ_peplink_grant) || defined(FUZZ_peplink_clients) || defined(FUZZ_peplink_system)
#include "router/peplink/PeplinkAnswers.h"
void fuzzOne(const QByteArray& data) {
#if defined(FUZZ_peplink_grant)
    if (const std::optional<QString> token = PeplinkAnswers::tokenFromGrant(data))
        require(!token->isEmpty());
#elif defined(FUZZ_peplink_clients)
    (void)PeplinkAnswers::refusesCredentials(200, data);
    (void)PeplinkAnswers::targetRow(PeplinkAnswers::clientRows(data), targetMAC);
#else
    (void)PeplinkAnswers::isHealthy(data);
    require(!PeplinkAnswers::modelName(data).isEmpty());
#endif
}

#elif defined(FUZZ_nl80211)
#include "platform/Nl80211Decoder.h"

#include <cstring>
#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <vector>
// The input is one generic-netlink message. libnl hands the decoder only messages
// whose length field fits what was received, so the field is set to the input's.
void fuzzOne(const QByteArray& data) {
    (void)ssidFromElements(data);
    if (data.size() < qsizetype(NLMSG_HDRLEN + GENL_HDRLEN))
        return;
    std::vector<std::uint32_t> aligned((data.size() + 3) / 4);
    std::memcpy(aligned.data(), data.constData(), data.size());
    auto* message = reinterpret_cast<nlmsghdr*>(aligned.data());
    message->nlmsg_len = static_cast<std::uint32_t>(data.size());
    const std::optional<Nl80211Interface> interface = decodeInterface(message);
    const std::optional<Nl80211Bss> bss = decodeScanBss(message);
    const std::optional<Nl80211Station> station = decodeStation(message);
    const std::optional<Nl80211Survey> survey = decodeSurvey(message);
    if (station && station->transmitRate)
        (void)phyModeFor(station->rateKind, channelBandForFrequency(bss ? bss->frequency : 0),
                         *station->transmitRate);
    (void)assembleLinkReading(interface.value_or(Nl80211Interface{}), bss, station,
                              survey ? survey->noise : std::nullopt);
}

#elif defined(FUZZ_settings_file)
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
void fuzzOne(const QByteArray& data) {
    static const QTemporaryDir folder;
    const QString path = folder.filePath(u"settings.json"_s);
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    file.close();
    const SettingsStore store(path);
    for (const QString& key : store.keys()) {
        (void)store.readBool(key);
        (void)store.readString(key);
        (void)store.readDictionary(key);
    }
    // An unreadable file is moved aside; the next input starts from a clean folder.
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}

#elif defined(FUZZ_router_identities)
#include "router/identity/RouterIdentityStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
void fuzzOne(const QByteArray& data) {
    static const QTemporaryDir folder;
    const RouterIdentityStore store(folder.path());
    QFile file(store.identitiesPath());
    require(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
    file.close();
    const RouterStanding standing = store.standing(u"10.77.0.1"_s);
    (void)store.judgeCertificate(u"10.77.0.1"_s, 443, u"AA:BB"_s);
    (void)store.identities();
    // A file replaced by the note that it was unreadable is kept whole beside it.
    QFile now(store.identitiesPath());
    require(now.open(QIODevice::ReadOnly));
    if (now.readAll() != data) {
        require(standing.unreadableFile.has_value());
        QFile kept(*standing.unreadableFile);
        require(kept.open(QIODevice::ReadOnly) && kept.readAll() == data);
    }
    for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}

#elif defined(FUZZ_session_log)
#include "logs/LogEntry.h"
#include "logs/SessionLog.h"
void fuzzOne(const QByteArray& data) {
    const std::optional<QList<LogEntry>> entries = LogEntry::decodeList(data);
    if (!entries)
        return;
    // A load and save cycle keeps every entry as it was.
    require(LogEntry::decodeList(LogEntry::encodeList(*entries)) == entries);
    (void)SessionLog::sessionMarkdown(*entries, QDateTime::fromSecsSinceEpoch(1765000000, Qt::UTC));
}

#elif defined(FUZZ_whats_new)
#include "app/WhatsNewEntry.h"
void fuzzOne(const QByteArray& data) {
    (void)unseenEntries(QString::fromUtf8(data));
}

#elif defined(FUZZ_compare_versions) || defined(FUZZ_preflight_clock)
#include "preflight/PreflightChecklistModel.h"
void fuzzOne(const QByteArray& data) {
#ifdef FUZZ_compare_versions
    // "<version>\n<required>"
    const qsizetype split = data.indexOf('\n');
    const QString version = QString::fromUtf8(data.left(split < 0 ? data.size() : split));
    const QString required = split < 0 ? u"16.8"_s : QString::fromUtf8(data.mid(split + 1));
    (void)PreflightChecklistModel::compareVersions(version, required);
#else
    (void)PreflightChecklistModel::clockStatus(QString::fromUtf8(data),
                                               QDateTime::fromSecsSinceEpoch(1765000000, Qt::UTC));
#endif
}

#elif defined(FUZZ_http_answer)
#include "router/HttpAnswerReader.h"
void fuzzOne(const QByteArray& data) {
    // The first byte cuts the rest into pieces of its size, as a network might.
    if (data.isEmpty())
        return;
    constexpr qint64 bound = 4096;
    const qsizetype piece = std::max(1, int(quint8(data[0])));
    const QByteArray answer = data.mid(1);
    HttpAnswerReader reader(bound);
    HttpAnswerReader::Progress progress = HttpAnswerReader::Progress::incomplete;
    for (qsizetype at = 0; at < answer.size() && progress == HttpAnswerReader::Progress::incomplete;
         at += piece)
        progress = reader.take(QByteArrayView(answer).sliced(at, std::min(piece, answer.size() - at)));
    if (progress == HttpAnswerReader::Progress::incomplete)
        progress = reader.closed();
    if (progress == HttpAnswerReader::Progress::complete)
        require(reader.status() >= 200 && reader.status() <= 999);
    require(reader.takeBody().size() <= bound);
}

#else
#error "Build with one FUZZ_<target> definition"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzzOne(QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size)));
    return 0;
}
