#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The throw-away program ssh runs (through SSH_ASKPASS) to learn the password
// of a master login. It exists only while a master is starting.
class AskpassScript {
public:
    // The scripts' names in the runtime folder: the main router's master's and
    // those of the two access points' masters.
    static inline const QString mainRouterFileName = QStringLiteral("veltrano-askpass.sh");
    static inline const QString accessPointFileName = QStringLiteral("veltrano-ap-askpass.sh");
    static inline const QString secondAccessPointFileName = QStringLiteral("veltrano-ap2-askpass.sh");
    static inline const QStringList fileNames{mainRouterFileName, accessPointFileName,
                                              secondAccessPointFileName};

    // "#!/bin/sh", then printf '%s\n' '<password>' with every ' written as '\''.
    // The password is printf's argument, never its format, so % and \ stay literal.
    static QByteArray content(const QString& password);

    // Creates the file with mode 0700 from its first byte (O_CREAT|O_EXCL, so
    // neither a planted file nor a symbolic link at `path` is ever written
    // through) after removing a leftover of an earlier run. A short write
    // removes the file again. False when the script is not fully in place.
    static bool write(const QString& path, const QString& password);

    // A missing file is not an error.
    static void remove(const QString& path);
};
