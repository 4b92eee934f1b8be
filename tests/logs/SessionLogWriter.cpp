#include "logs/SessionLog.h"

#include <QCoreApplication>
#include <cstdio>

// Appends entries to the session log at argv[1] until killed or argv[2] entries
// are written: the durability test kills it at random moments.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    SessionLog log(QString::fromLocal8Bit(argv[1]));
    const int count = QByteArray(argv[2]).toInt();
    for (int i = 0; i < count; ++i) {
        log.append({LogEntry::timestampFrom(QDateTime::currentDateTimeUtc()), QStringLiteral("excellent"),
                    -50, 90, QStringLiteral("Camera — entry %1").arg(i)});
        if (const std::optional<QString> problem = log.save()) {
            std::fprintf(stderr, "%s\n", qPrintable(*problem));
            return 1;
        }
    }
    return 0;
}
