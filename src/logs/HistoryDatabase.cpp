#include "logs/HistoryDatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <tuple>

namespace {

constexpr qint64 minuteMs = 60 * 1000;
constexpr qint64 dayMs = 24 * 60 * minuteMs;

// Two weeks of two cameras at one reading a second is 2.4 million rows: each
// must stay near 20 bytes. So a row is keyed by its time and slot packed into
// the rowid (no second index), and the text that rarely changes — MAC, name,
// band, access point — sits once in `contexts`.
const char* const schema = R"(
CREATE TABLE IF NOT EXISTS contexts(
  id INTEGER PRIMARY KEY, slot INTEGER NOT NULL, mac TEXT NOT NULL, name TEXT NOT NULL,
  band TEXT NOT NULL, access_point TEXT NOT NULL,
  UNIQUE(slot, mac, name, band, access_point));
CREATE TABLE IF NOT EXISTS readings(
  key INTEGER PRIMARY KEY, context INTEGER NOT NULL, rssi INTEGER NOT NULL, rate INTEGER NOT NULL,
  state INTEGER NOT NULL, throughput_kbps INTEGER NOT NULL, listed INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS minutes(
  key INTEGER PRIMARY KEY, context INTEGER NOT NULL, rssi_low INTEGER NOT NULL,
  rssi_median INTEGER NOT NULL, rssi_high INTEGER NOT NULL, rate INTEGER NOT NULL,
  worst_state INTEGER NOT NULL, throughput_kbps INTEGER NOT NULL, listed INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS outages(start_ms INTEGER PRIMARY KEY, end_ms INTEGER, said TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS folded(until_ms INTEGER NOT NULL);
)";

qint64 rowKey(qint64 timeMs, TargetSlot slot) {
    return timeMs * 2 + (slot == TargetSlot::b ? 1 : 0);
}
qint64 keyTime(qint64 key) {
    return key >> 1;
}
TargetSlot keySlot(qint64 key) {
    return (key & 1) != 0 ? TargetSlot::b : TargetSlot::a;
}

SignalState stateFromColumn(int value) {
    return static_cast<SignalState>(std::clamp(value, 0, static_cast<int>(SignalState::offline)));
}

QString errorOf(sqlite3* connection) {
    return QString::fromUtf8(sqlite3_errmsg(connection));
}

// One prepared statement, finalised with its scope.
class Statement {
public:
    Statement(sqlite3* connection, const char* sql) {
        if (sqlite3_prepare_v2(connection, sql, -1, &statement, nullptr) != SQLITE_OK)
            statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return statement != nullptr; }
    Statement& bind(int index, qint64 value) {
        sqlite3_bind_int64(statement, index, value);
        return *this;
    }
    Statement& bind(int index, const QString& value) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int index) {
        sqlite3_bind_null(statement, index);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or the error.
    int step() { return statement ? sqlite3_step(statement) : SQLITE_ERROR; }
    void reset() {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
    qint64 integer(int column) const { return sqlite3_column_int64(statement, column); }
    bool isNull(int column) const { return sqlite3_column_type(statement, column) == SQLITE_NULL; }
    QString text(int column) const {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                                 sqlite3_column_bytes(statement, column));
    }

private:
    sqlite3_stmt* statement = nullptr;
};

bool execute(sqlite3* connection, const char* sql) {
    return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool passesQuickCheck(sqlite3* connection) {
    Statement check(connection, "PRAGMA quick_check");
    return check.step() == SQLITE_ROW && check.text(0) == QLatin1String("ok");
}

// The readings of one minute and one slot, folded into the row that stands for them.
HistoryReading foldMinute(QList<HistoryReading> readings) {
    HistoryReading folded = readings.back();
    folded.timeMs = readings.front().timeMs / minuteMs * minuteMs;
    QList<int> rssis;
    QList<int> rates;
    for (const HistoryReading& reading : readings) {
        if (reading.rssi != 0)
            rssis.append(reading.rssi);
        rates.append(reading.rateMbps);
        folded.state = std::max(folded.state, reading.state);
        folded.listed = folded.listed && reading.listed;
        folded.throughputMBps = std::max(folded.throughputMBps, reading.throughputMBps);
    }
    std::sort(rssis.begin(), rssis.end());
    std::sort(rates.begin(), rates.end());
    folded.rssi = rssis.isEmpty() ? 0 : rssis[rssis.size() / 2];
    folded.lowestRssi = rssis.isEmpty() ? 0 : rssis.front();
    folded.highestRssi = rssis.isEmpty() ? 0 : rssis.back();
    folded.rateMbps = rates[rates.size() / 2];
    return folded;
}

// Readings of both slots, oldest first, as one row a minute per slot.
QList<HistoryReading> foldMinutes(const QList<HistoryReading>& readings) {
    QList<HistoryReading> folded;
    std::array<QList<HistoryReading>, 2> pending;
    std::array<qint64, 2> pendingMinute{-1, -1};
    const auto flush = [&](std::size_t slot) {
        if (!pending[slot].isEmpty())
            folded.append(foldMinute(std::exchange(pending[slot], {})));
    };
    for (const HistoryReading& reading : readings) {
        const std::size_t slot = reading.slot == TargetSlot::b ? 1 : 0;
        const qint64 minute = reading.timeMs / minuteMs;
        if (minute != pendingMinute[slot]) {
            flush(slot);
            pendingMinute[slot] = minute;
        }
        pending[slot].append(reading);
    }
    flush(0);
    flush(1);
    std::stable_sort(folded.begin(), folded.end(), [](const HistoryReading& a, const HistoryReading& b) {
        return rowKey(a.timeMs, a.slot) < rowKey(b.timeMs, b.slot);
    });
    return folded;
}

HistoryReading readingFrom(const Statement& row, bool perMinute) {
    HistoryReading reading;
    const qint64 key = row.integer(0);
    reading.timeMs = keyTime(key);
    reading.slot = keySlot(key);
    reading.mac = row.text(1);
    reading.name = row.text(2);
    reading.band = row.text(3);
    reading.accessPoint = row.text(4);
    reading.rssi = static_cast<int>(row.integer(5));
    reading.rateMbps = static_cast<int>(row.integer(6));
    reading.state = stateFromColumn(static_cast<int>(row.integer(7)));
    reading.throughputMBps = static_cast<double>(row.integer(8)) / 1000.0;
    reading.listed = row.integer(9) != 0;
    reading.lowestRssi = perMinute ? static_cast<int>(row.integer(10)) : reading.rssi;
    reading.highestRssi = perMinute ? static_cast<int>(row.integer(11)) : reading.rssi;
    return reading;
}

QString asideName(const QString& path) {
    return path + QStringLiteral(".unreadable-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace

QString HistoryDatabase::defaultFilePath() {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return {};
    return dataHome + QStringLiteral("/Veltrano/history.sqlite3");
}

HistoryDatabase::HistoryDatabase(sqlite3* connection)
    : connection(connection) {}

HistoryDatabase::~HistoryDatabase() {
    sqlite3_close_v2(connection);
}

HistoryDatabase::Opened HistoryDatabase::open(const QString& path, Access access) {
    // By default every connection sets aside room for twenty pages when it
    // first reads and keeps it while it lives, even when the cache is asked to
    // let go: 90 kB held by a writer that touches a few pages every few
    // seconds. Pages are then taken one at a time, and given back. Has to come
    // before SQLite's first use in the process; later it changes nothing.
    static std::once_flag configured;
    std::call_once(configured, [] { sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0); });
    const bool readOnly = access == Access::readOnly;
    if (readOnly && !QFileInfo::exists(path))
        return {nullptr, QStringLiteral("no signal history at %1").arg(path), {}};
    if (!readOnly)
        QDir().mkpath(QFileInfo(path).absolutePath());

    const auto attempt = [&]() -> std::pair<sqlite3*, QString> {
        sqlite3* connection = nullptr;
        // The history names the user's cameras and networks: for the user alone.
        const mode_t previousMask = ::umask(0077);
        const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                          SQLITE_OPEN_NOMUTEX;
        const int opened = sqlite3_open_v2(QFile::encodeName(path).constData(), &connection, flags, nullptr);
        ::umask(previousMask);
        if (opened != SQLITE_OK) {
            QString error = connection ? errorOf(connection) : QStringLiteral("out of memory");
            sqlite3_close_v2(connection);
            return {nullptr, error};
        }
        // A reader waits out the writer's checkpoint instead of failing at once.
        sqlite3_busy_timeout(connection, 2000);
        // SQLite keeps up to 2 MB of pages per connection by default, more than
        // the rest of the tray's own memory. Writes append at the end of the
        // tables and reads of a range are a walk the system's file cache serves
        // as well, so a small cache costs nothing a user would notice.
        execute(connection, "PRAGMA cache_size=-256");
        // A reader trusts the writer's check: the whole file is not read again
        // at every look from the window or the command line.
        const bool healthy =
            readOnly ? execute(connection, "SELECT count(*) FROM sqlite_master")
                     : execute(connection, "PRAGMA journal_mode=WAL") && passesQuickCheck(connection) &&
                           execute(connection, "PRAGMA synchronous=NORMAL") && execute(connection, schema);
        if (!healthy) {
            QString error = errorOf(connection);
            sqlite3_close_v2(connection);
            return {nullptr, error.isEmpty() || error == QLatin1String("not an error")
                                 ? QStringLiteral("the database failed its integrity check")
                                 : error};
        }
        return {connection, {}};
    };

    auto [connection, error] = attempt();
    if (connection)
        return {std::unique_ptr<HistoryDatabase>(new HistoryDatabase(connection)), {}, {}};
    if (readOnly || !QFileInfo::exists(path))
        return {nullptr, error, {}};

    // Whatever the damage, the readings in it are the user's: they are kept
    // under a name that says what happened, and recording starts afresh.
    const QString aside = asideName(path);
    if (!QFile::rename(path, aside))
        return {nullptr, error, {}};
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::rename(path + suffix, aside + suffix);
    std::tie(connection, error) = attempt();
    if (!connection)
        return {nullptr, error, aside};
    return {std::unique_ptr<HistoryDatabase>(new HistoryDatabase(connection)), {}, aside};
}

void HistoryDatabase::releaseMemory() {
    sqlite3_db_release_memory(connection);
}

std::optional<QString> HistoryDatabase::write(const QList<HistoryReading>& readings,
                                              const QList<HistoryOutage>& outages) {
    const auto failed = [this]() -> std::optional<QString> {
        const int code = sqlite3_extended_errcode(connection) & 0xff;
        full = full || code == SQLITE_FULL;
        QString error = errorOf(connection);
        execute(connection, "ROLLBACK");
        return error;
    };
    if (!execute(connection, "BEGIN IMMEDIATE"))
        return failed();

    Statement findContext(connection,
                          "SELECT id FROM contexts WHERE slot=?1 AND mac=?2 AND name=?3 AND band=?4 "
                          "AND access_point=?5");
    Statement addContext(
        connection, "INSERT INTO contexts(slot, mac, name, band, access_point) VALUES(?1, ?2, ?3, ?4, ?5)");
    Statement addReading(connection, "INSERT OR REPLACE INTO readings VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    Statement addOutage(connection, "INSERT OR REPLACE INTO outages VALUES(?1, ?2, ?3)");
    if (!findContext.isValid() || !addContext.isValid() || !addReading.isValid() || !addOutage.isValid())
        return failed();

    QHash<QString, qint64> contexts;
    for (const HistoryReading& reading : readings) {
        const int slot = reading.slot == TargetSlot::b ? 1 : 0;
        const QString contextKey = QString::number(slot) + u'\x1f' + reading.mac + u'\x1f' + reading.name +
                                   u'\x1f' + reading.band + u'\x1f' + reading.accessPoint;
        auto context = contexts.constFind(contextKey);
        if (context == contexts.cend()) {
            for (Statement* statement : {&findContext, &addContext})
                statement->bind(1, slot)
                    .bind(2, reading.mac)
                    .bind(3, reading.name)
                    .bind(4, reading.band)
                    .bind(5, reading.accessPoint);
            qint64 id = 0;
            if (findContext.step() == SQLITE_ROW)
                id = findContext.integer(0);
            else if (addContext.step() == SQLITE_DONE)
                id = sqlite3_last_insert_rowid(connection);
            else
                return failed();
            findContext.reset();
            addContext.reset();
            context = contexts.insert(contextKey, id);
        }
        addReading.bind(1, rowKey(reading.timeMs, reading.slot))
            .bind(2, *context)
            .bind(3, reading.rssi)
            .bind(4, reading.rateMbps)
            .bind(5, static_cast<int>(reading.state))
            .bind(6, qRound64(reading.throughputMBps * 1000.0))
            .bind(7, reading.listed ? 1 : 0);
        if (addReading.step() != SQLITE_DONE)
            return failed();
        addReading.reset();
    }
    for (const HistoryOutage& outage : outages) {
        addOutage.bind(1, outage.startMs).bind(3, outage.said);
        if (outage.endMs)
            addOutage.bind(2, *outage.endMs);
        else
            addOutage.bindNull(2);
        if (addOutage.step() != SQLITE_DONE)
            return failed();
        addOutage.reset();
    }
    if (!execute(connection, "COMMIT"))
        return failed();
    full = false;
    return std::nullopt;
}

namespace {

const char* const readingsBetween =
    "SELECT r.key, c.mac, c.name, c.band, c.access_point, r.rssi, r.rate, r.state, r.throughput_kbps, "
    "r.listed "
    "FROM readings r JOIN contexts c ON c.id = r.context WHERE r.key >= ?1 AND r.key <= ?2 ORDER BY r.key";

QList<HistoryReading> readReadings(sqlite3* connection, qint64 fromMs, qint64 toMs) {
    QList<HistoryReading> readings;
    Statement query(connection, readingsBetween);
    query.bind(1, rowKey(fromMs, TargetSlot::a)).bind(2, rowKey(toMs, TargetSlot::b));
    while (query.step() == SQLITE_ROW)
        readings.append(readingFrom(query, false));
    return readings;
}

qint64 foldedUntil(sqlite3* connection) {
    Statement query(connection, "SELECT until_ms FROM folded");
    return query.step() == SQLITE_ROW ? query.integer(0) : 0;
}

} // namespace

std::optional<QString> HistoryDatabase::applyRetention(qint64 nowMs, int historyDays) {
    const auto failed = [this]() -> std::optional<QString> {
        full = full || (sqlite3_extended_errcode(connection) & 0xff) == SQLITE_FULL;
        QString error = errorOf(connection);
        execute(connection, "ROLLBACK");
        return error;
    };
    if (!execute(connection, "BEGIN IMMEDIATE"))
        return failed();

    const qint64 lastCompleteMinute = nowMs / minuteMs * minuteMs;
    qint64 from = foldedUntil(connection);
    if (from == 0) {
        Statement oldest(connection, "SELECT min(key) FROM readings");
        from = oldest.step() == SQLITE_ROW && !oldest.isNull(0)
                   ? keyTime(oldest.integer(0)) / minuteMs * minuteMs
                   : lastCompleteMinute;
    }
    if (from < lastCompleteMinute) {
        // The minute keeps the context (name, access point) of its last reading.
        Statement addMinute(connection,
                            "INSERT OR REPLACE INTO minutes SELECT ?1, id, ?2, ?3, ?4, ?5, ?6, ?7, ?8 "
                            "FROM contexts WHERE slot=?9 AND mac=?10 AND name=?11 AND band=?12 AND "
                            "access_point=?13");
        for (const HistoryReading& minute :
             foldMinutes(readReadings(connection, from, lastCompleteMinute - 1))) {
            addMinute.bind(1, rowKey(minute.timeMs, minute.slot))
                .bind(2, minute.lowestRssi)
                .bind(3, minute.rssi)
                .bind(4, minute.highestRssi)
                .bind(5, minute.rateMbps)
                .bind(6, static_cast<int>(minute.state))
                .bind(7, qRound64(minute.throughputMBps * 1000.0))
                .bind(8, minute.listed ? 1 : 0)
                .bind(9, minute.slot == TargetSlot::b ? 1 : 0)
                .bind(10, minute.mac)
                .bind(11, minute.name)
                .bind(12, minute.band)
                .bind(13, minute.accessPoint);
            if (addMinute.step() != SQLITE_DONE)
                return failed();
            addMinute.reset();
        }
        if (!execute(connection, "DELETE FROM folded"))
            return failed();
        Statement setFolded(connection, "INSERT INTO folded VALUES(?1)");
        if (setFolded.bind(1, lastCompleteMinute).step() != SQLITE_DONE)
            return failed();
    }

    const qint64 keepAllFrom = nowMs - std::min(historyDays, fullResolutionDays) * dayMs;
    const qint64 keepMinutesFrom = nowMs - historyDays * dayMs;
    Statement dropReadings(connection, "DELETE FROM readings WHERE key < ?1");
    Statement dropMinutes(connection, "DELETE FROM minutes WHERE key < ?1");
    Statement dropOutages(connection, "DELETE FROM outages WHERE end_ms IS NOT NULL AND end_ms < ?1");
    if (dropReadings.bind(1, rowKey(keepAllFrom, TargetSlot::a)).step() != SQLITE_DONE ||
        dropMinutes.bind(1, rowKey(keepMinutesFrom, TargetSlot::a)).step() != SQLITE_DONE ||
        dropOutages.bind(1, keepMinutesFrom).step() != SQLITE_DONE ||
        !execute(connection,
                 "DELETE FROM contexts WHERE id NOT IN (SELECT context FROM readings) AND id NOT IN "
                 "(SELECT context FROM minutes)") ||
        !execute(connection, "COMMIT"))
        return failed();
    return std::nullopt;
}

HistorySnapshot HistoryDatabase::snapshot(qint64 fromMs, qint64 toMs) const {
    HistorySnapshot snapshot{fromMs, toMs, toMs - fromMs > perMinuteFromMs, {}, {}};
    if (snapshot.perMinute) {
        Statement minutes(connection,
                          "SELECT m.key, c.mac, c.name, c.band, c.access_point, m.rssi_median, m.rate, "
                          "m.worst_state, m.throughput_kbps, m.listed, m.rssi_low, m.rssi_high FROM "
                          "minutes m JOIN contexts c ON c.id = m.context WHERE m.key >= ?1 AND m.key "
                          "<= ?2 ORDER BY m.key");
        const qint64 folded = foldedUntil(connection);
        minutes.bind(1, rowKey(fromMs, TargetSlot::a))
            .bind(2, rowKey(std::min(toMs, folded - 1), TargetSlot::b));
        while (minutes.step() == SQLITE_ROW)
            snapshot.readings.append(readingFrom(minutes, true));
        // The minutes not folded yet, the last one or two, are folded here.
        snapshot.readings.append(foldMinutes(readReadings(connection, std::max(fromMs, folded), toMs)));
    } else {
        snapshot.readings = readReadings(connection, fromMs, toMs);
    }

    Statement outages(connection,
                      "SELECT start_ms, end_ms, said FROM outages WHERE start_ms <= ?2 AND (end_ms IS "
                      "NULL OR end_ms >= ?1) ORDER BY start_ms");
    outages.bind(1, fromMs).bind(2, toMs);
    while (outages.step() == SQLITE_ROW) {
        snapshot.outages.append({outages.integer(0),
                                 outages.isNull(1) ? std::nullopt : std::optional<qint64>(outages.integer(1)),
                                 outages.text(2)});
    }
    return snapshot;
}
