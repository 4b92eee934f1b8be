#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <optional>

class QTextStream;

// The conventions both programs' command lines follow: `--help` prints the
// usage to standard output, `--version` the version with its build number,
// and an unknown option fails with a usage line on standard error and status
// 2. The caller adds its own options to `parser` first.
class CommandLine {
public:
    // `usage` is the one-line synopsis, e.g. "usage: veltrano [--demo]".
    explicit CommandLine(QString usage);

    // "1.0.0 (build 26120601)", with the release label when there is one.
    static QString versionText();

    // `arguments` with the program name first. The exit status when the
    // program is done (help, version or an error, already printed); none when
    // it carries on with what `parser` holds.
    std::optional<int> parse(const QStringList& arguments, QTextStream& out, QTextStream& err);

    QCommandLineParser parser;

private:
    const QString usage;
};
