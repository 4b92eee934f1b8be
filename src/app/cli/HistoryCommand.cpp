#include "app/cli/HistoryCommand.h"

#include "app/cli/HistoryTime.h"
#include "logs/HistoryDatabase.h"
#include "logs/HistoryReport.h"
#include "logs/HistoryText.h"
#include "logs/IncidentFinder.h"
#include "router/RouterText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

namespace {

constexpr qint64 defaultRangeMs = 24LL * 60 * 60 * 1000;

enum class Output { incidents, rows, json, html, csv, png };

struct FormFlag {
    QString name;
    Output output;
    bool takesFile;
};

const QList<FormFlag> reportForms{{QStringLiteral("--html"), Output::html, true},
                                  {QStringLiteral("--png"), Output::png, true},
                                  {QStringLiteral("--csv"), Output::csv, true},
                                  {QStringLiteral("--json"), Output::json, false}};
const QList<FormFlag> historyForms{{QStringLiteral("--json"), Output::json, false},
                                   {QStringLiteral("--rows"), Output::rows, false}};

struct Request {
    qint64 fromMs = 0;
    qint64 toMs = 0;
    Output output = Output::incidents;
    QString file;
};

struct ParsedRequest {
    std::optional<Request> request;
    QString error;
};

ParsedRequest misuse(const QString& error) {
    return {std::nullopt, error};
}

ParsedRequest parseRequest(const QStringList& args, const QList<FormFlag>& forms, qint64 nowMs) {
    std::optional<qint64> since, until;
    std::optional<FormFlag> form;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const auto formFlag =
            std::find_if(forms.begin(), forms.end(), [&arg](const FormFlag& f) { return f.name == arg; });
        const bool isTime = arg == QStringLiteral("--since") || arg == QStringLiteral("--until");
        if (formFlag == forms.end() && !isTime)
            return misuse(QStringLiteral("unknown argument \"%1\"").arg(arg));
        if (formFlag != forms.end() && form)
            return misuse(QStringLiteral("%1 and %2 ask for two forms; choose one").arg(form->name, arg));
        const bool takesValue = isTime || formFlag->takesFile;
        if (takesValue && i + 1 == args.size())
            return misuse(QStringLiteral("%1 needs %2")
                              .arg(arg, isTime ? QStringLiteral("a TIME") : QStringLiteral("a FILE")));
        if (!isTime) {
            form = *formFlag;
            if (takesValue)
                file = args.at(++i);
            continue;
        }
        std::optional<qint64>& bound = arg == QStringLiteral("--since") ? since : until;
        if (bound)
            return misuse(QStringLiteral("%1 is given twice").arg(arg));
        bound = HistoryTime::parse(args.at(++i), nowMs);
        if (!bound)
            return misuse(QStringLiteral("\"%1\" is not a TIME such as 2026-12-09T14:00, 15m, 2h or 3d")
                              .arg(args.at(i)));
    }
    const qint64 toMs = until.value_or(nowMs);
    const qint64 fromMs = since.value_or(toMs - defaultRangeMs);
    if (fromMs > toMs)
        return misuse(QStringLiteral("--since is after --until"));
    return {Request{fromMs, toMs, form ? form->output : Output::incidents, file}, {}};
}

struct ReadHistory {
    std::optional<HistorySnapshot> snapshot;
    QString error;
};

ReadHistory readHistory(const QString& path, const Request& request) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {std::nullopt, QStringLiteral("no signal history at %1")
                                  .arg(path.isEmpty() ? QStringLiteral("(no data folder)") : path)};
    const HistoryDatabase::Opened opened = HistoryDatabase::open(path, HistoryDatabase::Access::readOnly);
    if (!opened.database)
        return {std::nullopt,
                QStringLiteral("the signal history at %1 cannot be read: %2").arg(path, opened.error)};
    return {opened.database->snapshot(request.fromMs, request.toMs), {}};
}

// Two spaces between columns, each as wide as its widest cell.
QString alignedTable(const QList<QStringList>& rows) {
    QList<qsizetype> widths;
    for (const QStringList& row : rows)
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (widths.size() <= column)
                widths.append(0);
            widths[column] = std::max(widths[column], row.at(column).size());
        }
    QString table;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype column = 0; column < row.size(); ++column)
            line += row.at(column).leftJustified(widths.at(column)) + QStringLiteral("  ");
        table += line.trimmed() + u'\n';
    }
    return table;
}

QString incidentsText(const QList<HistoryIncident>& incidents) {
    if (incidents.isEmpty())
        return QStringLiteral("No incidents in this range.\n");
    QList<QStringList> rows{HistoryText::incidentHeaders()};
    for (const HistoryIncident& incident : incidents)
        rows.append(HistoryText::incidentCells(incident));
    return alignedTable(rows);
}

QString readingsText(const QList<HistoryReading>& readings) {
    if (readings.isEmpty())
        return QStringLiteral("No readings in this range.\n");
    QList<QStringList> rows;
    for (const HistoryReading& reading : readings)
        rows.append({HistoryText::localTime(reading.timeMs),
                     reading.slot == TargetSlot::a ? QStringLiteral("A") : QStringLiteral("B"),
                     routerText(reading.name, RouterTextKind::name),
                     HistoryText::rssi(reading.rssi == 0 ? std::nullopt : std::optional<int>(reading.rssi)),
                     QString::number(reading.rateMbps) + QStringLiteral(" Mbit/s"), stateName(reading.state),
                     routerText(reading.band, RouterTextKind::line),
                     routerText(reading.accessPoint, RouterTextKind::line)});
    return alignedTable(rows);
}

// The forms written to a file; why the file could not be written.
std::optional<QString> writeForm(const Request& request, const HistorySnapshot& snapshot,
                                 const HistoryCommandContext& context) {
    if (request.output == Output::csv)
        return HistoryReport::writeFile(request.file, HistoryReport::csv(snapshot));
    if (request.output == Output::html) {
        const HistoryReport::Heading heading =
            HistoryReport::headingFor(context.settings, QDateTime::fromMSecsSinceEpoch(context.nowMs));
        return HistoryReport::writeFile(
            request.file, HistoryReport::html(snapshot, IncidentFinder::find(snapshot), heading).toUtf8());
    }
    return HistoryReport::writeFile(request.file, context.drawPng(snapshot));
}

int run(const QString& command, const QStringList& args, const QList<FormFlag>& forms,
        const HistoryCommandContext& context, QTextStream& out, QTextStream& err) {
    const ParsedRequest parsed = parseRequest(args, forms, context.nowMs);
    if (!parsed.request) {
        err << "veltrano-cli " << command << ": " << parsed.error << '\n';
        return 2;
    }
    const Request& request = *parsed.request;
    const ReadHistory history = readHistory(context.databasePath, request);
    if (!history.snapshot) {
        err << "veltrano-cli: " << history.error << '\n';
        return 1;
    }
    const HistorySnapshot& snapshot = *history.snapshot;
    if (request.output == Output::incidents)
        out << incidentsText(IncidentFinder::find(snapshot));
    else if (request.output == Output::rows)
        out << readingsText(snapshot.readings);
    else if (request.output == Output::json)
        out << QString::fromUtf8(HistoryReport::json(snapshot, IncidentFinder::find(snapshot))) << '\n';
    else if (const std::optional<QString> error = writeForm(request, snapshot, context)) {
        err << "veltrano-cli: " << request.file << " cannot be written: " << *error << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int runReportCommand(const QStringList& args, const HistoryCommandContext& context, QTextStream& out,
                     QTextStream& err) {
    return run(QStringLiteral("report"), args, reportForms, context, out, err);
}

int runHistoryCommand(const QStringList& args, const HistoryCommandContext& context, QTextStream& out,
                      QTextStream& err) {
    return run(QStringLiteral("history"), args, historyForms, context, out, err);
}
