#include "platform/JournalSystemLog.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/stat.h>
#include <sys/uio.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

namespace {

// sd-journal drops a message without an error when this socket is missing, so
// its presence is checked first to know when standard error has to stand in.
constexpr char journalSocketPath[] = "/run/systemd/journal/socket";

int priority(SystemLogLevel level) {
    switch (level) {
    case SystemLogLevel::info:
        return 6;
    case SystemLogLevel::debug:
        return 7;
    case SystemLogLevel::error:
        return 3;
    }
    Q_UNREACHABLE();
}

QByteArray levelName(SystemLogLevel level) {
    switch (level) {
    case SystemLogLevel::info:
        return QByteArrayLiteral("info");
    case SystemLogLevel::debug:
        return QByteArrayLiteral("debug");
    case SystemLogLevel::error:
        return QByteArrayLiteral("error");
    }
    Q_UNREACHABLE();
}

bool journalSocketExists() {
    struct stat info {};
    return ::stat(journalSocketPath, &info) == 0 && S_ISSOCK(info.st_mode);
}

// The code's words go right after the code, so that a line whose detail is empty
// ("VT-4008") still says what happened; the detail follows after a colon.
QString describedMessage(const QString& message, VtCode code) {
    const QString raw = rawValue(code);
    const QString described = raw + u' ' + vtCodeWords(code);
    const QString detail = message.sliced(std::min(message.size(), raw.size() + 1));
    return detail.isEmpty() ? described : described + QStringLiteral(": ") + detail;
}

// A terminal acts on any control character it is sent, C1 ones in UTF-8 too,
// whoever wrote it: each is shown as "\xNN", a line break as "\n".
QString withControlsEscaped(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\n')
            escaped.append(QStringLiteral("\\n"));
        else if (c.category() == QChar::Other_Control)
            escaped.append(QStringLiteral("\\x") +
                           QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0'));
        else
            escaped.append(c);
    }
    return escaped;
}

iovec field(const QByteArray& text) {
    return {const_cast<char*>(text.constData()), static_cast<size_t>(text.size())};
}

} // namespace

JournalSystemLog::JournalSystemLog()
    : identifier(program_invocation_short_name) {}

void JournalSystemLog::write(SystemLogLevel level, const QString& message, VtCode code) {
    const QString text = describedMessage(message, code);
    if (!journalSocketExists() || !sendToJournal(level, text.toUtf8(), code))
        writeToStandardError(level, text);
}

bool JournalSystemLog::sendToJournal(SystemLogLevel level, const QByteArray& message, VtCode code) const {
    // Each field goes in its own iovec, so the user's text is never read as a
    // format and may hold newlines; sd-journal picks the binary-safe encoding.
    const QByteArray messageField = QByteArrayLiteral("MESSAGE=") + message;
    const QByteArray priorityField = QByteArrayLiteral("PRIORITY=") + QByteArray::number(priority(level));
    const QByteArray identifierField = QByteArrayLiteral("SYSLOG_IDENTIFIER=") + identifier;
    const QByteArray subsystemField = QByteArrayLiteral("VELTRANO_SUBSYSTEM=com.brightfold.Veltrano");
    const QByteArray categoryField = QByteArrayLiteral("VELTRANO_CATEGORY=core");
    const QByteArray codeField = QByteArrayLiteral("VELTRANO_CODE=") + rawValue(code).toLatin1();
    const std::array<iovec, 6> fields = {field(messageField),   field(priorityField), field(identifierField),
                                         field(subsystemField), field(categoryField), field(codeField)};
    return sd_journal_sendv(fields.data(), static_cast<int>(fields.size())) >= 0;
}

void JournalSystemLog::writeToStandardError(SystemLogLevel level, const QString& message) const {
    // One line per event, whatever the text holds, so that lines from several
    // threads never interleave and multi-line dumps stay grep-able.
    QByteArray line = identifier + ": " + levelName(level) + ": " + withControlsEscaped(message).toUtf8();
    line.append('\n');
    // One write call per line; there is nowhere left to report a failure to.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.constData(), line.size());
}
