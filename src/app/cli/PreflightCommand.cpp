#include "app/cli/PreflightCommand.h"

#include "preflight/ComputerChecklistModel.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThreadPool>

using namespace Qt::StringLiterals;

namespace {

QString caseName(PreflightStatus::Case kind) {
    using Case = PreflightStatus::Case;
    switch (kind) {
    case Case::passed:
        return u"passed"_s;
    case Case::warning:
        return u"warning"_s;
    case Case::failed:
        return u"failed"_s;
    case Case::couldNotCheck:
        return u"couldNotCheck"_s;
    case Case::notAvailable:
        return u"notAvailable"_s;
    case Case::manualOnly:
        return u"manualOnly"_s;
    case Case::notChecked:
        return u"notChecked"_s;
    case Case::checking:
        return u"checking"_s;
    }
    return {};
}

// The glyphs the checklist window shows.
QString glyph(PreflightStatus::Case kind) {
    using Case = PreflightStatus::Case;
    return kind == Case::passed    ? u"\u2714"_s
           : kind == Case::failed  ? u"\u2716"_s
           : kind == Case::warning ? u"!"_s
                                   : u"\u2013"_s;
}

} // namespace

int runPreflightCommand(const QStringList& args, ComputerReaders readers, const WirelessLink& link,
                        std::function<bool(const QString&)> isOnLocalSubnet, QTextStream& out,
                        QTextStream& err) {
    bool json = false;
    QList<CameraAddress> cameras;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--json"_s) {
            json = true;
        } else if (args[i] == u"--camera"_s && i + 1 < args.size() &&
                   QHostAddress(args[i + 1]).protocol() == QAbstractSocket::IPv4Protocol) {
            cameras.append({args[i + 1], args[i + 1]});
            ++i;
        } else {
            err << "veltrano-cli preflight: unexpected argument \"" << args[i] << "\"\n"
                << "usage: veltrano-cli preflight [--json] [--camera ADDRESS]...\n";
            return 2;
        }
    }

    // Its own pool, waited for before the readers go; the deadline bounds the wait.
    QThreadPool pool;
    ComputerChecklistModel model(
        std::move(readers), link, [cameras] { return cameras; }, std::move(isOnLocalSubnet), pool);
    QEventLoop loop;
    QObject::connect(&model, &ComputerChecklistModel::runStateChanged, &loop, [&] {
        if (!model.isRunningAll())
            loop.quit();
    });
    model.runAll();
    loop.exec();

    QJsonArray rows;
    for (const PreflightCheckItem& item : model.items()) {
        if (json)
            rows.append(QJsonObject{{u"title"_s, item.title},
                                    {u"status"_s, caseName(item.status.kind)},
                                    {u"text"_s, item.status.text}});
        else
            out << glyph(item.status.kind) << ' ' << item.title << " \u2014 " << item.status.text << '\n';
    }
    if (json)
        out << QJsonDocument(rows).toJson();
    return model.isComplete() ? 0 : 1;
}
