#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// The distribution's identification from os-release, as the launch entry names it.
class OsRelease {
public:
    // Shell-style KEY=VALUE lines: comments, single and double quotes, backslash
    // escapes; the last assignment of a key wins. Malformed lines are skipped.
    static OsRelease parse(const QString& text);
    // The first file of `paths` that can be read.
    static std::optional<OsRelease> readFirst(const QStringList& paths);
    // /etc/os-release, then /usr/lib/os-release.
    static QStringList standardPaths();
    // The operating-system phrase of the launch entry; "Linux" when no file can be read.
    static QString systemDescription(const QStringList& paths = standardPaths());

    QString value(const QString& key) const { return fields.value(key); }
    // NAME and VERSION_ID ("Debian GNU/Linux 12"); without a version, as rolling
    // distributions have, PRETTY_NAME, then NAME alone.
    QString displayName() const;

private:
    QHash<QString, QString> fields;
};
