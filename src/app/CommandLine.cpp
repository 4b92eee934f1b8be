#include "app/CommandLine.h"

#include "BuildInfo.h"

#include <QCoreApplication>
#include <QTextStream>

CommandLine::CommandLine(QString usageLine)
    : usage(std::move(usageLine)) {
    parser.addHelpOption();
    parser.addVersionOption();
}

QString CommandLine::versionText() {
    QString text = QString::fromUtf8(BuildInfo::version);
    const QString label = QString::fromUtf8(BuildInfo::buildLabel);
    if (!label.isEmpty())
        text += u' ' + label;
    return text + QStringLiteral(" (build ") + QString::fromUtf8(BuildInfo::buildNumber) + u')';
}

std::optional<int> CommandLine::parse(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (!parser.parse(arguments)) {
        err << QCoreApplication::applicationName() << ": " << parser.errorText() << '\n' << usage << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << parser.helpText();
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        out << QCoreApplication::applicationName() << ' ' << versionText() << '\n';
        return 0;
    }
    return std::nullopt;
}
