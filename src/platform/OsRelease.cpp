#include "platform/OsRelease.h"

#include <QFile>
#include <QRegularExpression>

namespace {

bool isValidKey(const QString& key) {
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return pattern.match(key).hasMatch();
}

// The file is another party's text that ends up inside a one-line log message.
QString cleanPhrase(const QString& text) {
    QString printable;
    printable.reserve(text.size());
    for (const QChar character : text) {
        const QChar::Category category = character.category();
        const bool invisible = category == QChar::Other_Control || category == QChar::Other_Format;
        printable.append(invisible ? QChar(u' ') : character);
    }
    return printable.simplified();
}

class Scanner {
public:
    explicit Scanner(const QString& text)
        : text(text) {}

    bool atEnd() const { return position >= text.size(); }
    QChar peek() const { return text.at(position); }
    QChar take() { return text.at(position++); }

    void skipLine() {
        while (!atEnd() && take() != u'\n') {
        }
    }

    void skipBlanks() {
        while (!atEnd() && (peek() == u' ' || peek() == u'\t'))
            ++position;
    }

    // Reads up to '=' on the current line; none (and the line skipped) when there is none.
    std::optional<QString> readKey() {
        QString key;
        while (!atEnd()) {
            const QChar character = take();
            if (character == u'=')
                return key.trimmed();
            if (character == u'\n')
                return std::nullopt;
            key.append(character);
        }
        return std::nullopt;
    }

    // Reads the value up to the end of its line; quoted parts may run over lines.
    QString readValue() {
        skipBlanks();
        QString value;
        // Unquoted trailing blanks are not part of the value; quoted ones are.
        qsizetype keptLength = 0;
        while (!atEnd()) {
            const QChar character = take();
            if (character == u'\n')
                break;
            if (character == u'\'') {
                while (!atEnd() && peek() != u'\'')
                    value.append(take());
                if (!atEnd())
                    take();
                keptLength = value.size();
            } else if (character == u'"') {
                readDoubleQuoted(value);
                keptLength = value.size();
            } else if (character == u'\\') {
                if (atEnd())
                    break;
                const QChar escaped = take();
                if (escaped != u'\n')
                    value.append(escaped);
                keptLength = value.size();
            } else {
                value.append(character);
                if (character != u' ' && character != u'\t')
                    keptLength = value.size();
            }
        }
        value.truncate(keptLength);
        return value;
    }

private:
    void readDoubleQuoted(QString& value) {
        while (!atEnd()) {
            const QChar character = take();
            if (character == u'"')
                return;
            if (character != u'\\' || atEnd()) {
                value.append(character);
                continue;
            }
            const QChar escaped = take();
            if (escaped == u'\n')
                continue;
            // Inside double quotes the shell only gives these a meaning after a backslash.
            if (escaped != u'"' && escaped != u'\\' && escaped != u'$' && escaped != u'`')
                value.append(u'\\');
            value.append(escaped);
        }
    }

    const QString& text;
    qsizetype position = 0;
};

} // namespace

OsRelease OsRelease::parse(const QString& text) {
    OsRelease release;
    Scanner scanner(text);
    while (!scanner.atEnd()) {
        scanner.skipBlanks();
        if (scanner.atEnd())
            break;
        if (scanner.peek() == u'\n') {
            scanner.take();
            continue;
        }
        if (scanner.peek() == u'#') {
            scanner.skipLine();
            continue;
        }
        const std::optional<QString> key = scanner.readKey();
        if (!key)
            continue;
        const QString value = scanner.readValue();
        if (isValidKey(*key))
            release.fields.insert(*key, value);
    }
    return release;
}

std::optional<OsRelease> OsRelease::readFirst(const QStringList& paths) {
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return parse(QString::fromUtf8(file.readAll()));
    }
    return std::nullopt;
}

QStringList OsRelease::standardPaths() {
    return {QStringLiteral("/etc/os-release"), QStringLiteral("/usr/lib/os-release")};
}

QString OsRelease::systemDescription(const QStringList& paths) {
    const std::optional<OsRelease> release = readFirst(paths);
    if (!release)
        return QStringLiteral("Linux");
    return release->displayName();
}

QString OsRelease::displayName() const {
    // The file format's own default when NAME is missing.
    QString name = cleanPhrase(value(QStringLiteral("NAME")));
    if (name.isEmpty())
        name = QStringLiteral("Linux");
    const QString version = cleanPhrase(value(QStringLiteral("VERSION_ID")));
    if (!version.isEmpty())
        return name + u' ' + version;
    const QString prettyName = cleanPhrase(value(QStringLiteral("PRETTY_NAME")));
    return prettyName.isEmpty() ? name : prettyName;
}
