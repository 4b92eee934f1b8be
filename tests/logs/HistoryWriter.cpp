#include "HistoryWriter.h"

#include "logs/HistoryDatabase.h"

#include <QCoreApplication>
#include <cstdio>

// Writes batches of ten readings to the history at argv[1] until killed or
// argv[2] batches are written, printing each batch's number once it is
// committed: the durability test kills it and checks that every committed
// batch is there, whole.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    HistoryDatabase::Opened opened = HistoryDatabase::open(QString::fromLocal8Bit(argv[1]));
    if (!opened.database)
        return 1;
    const int batches = QByteArray(argv[2]).toInt();
    for (int batch = 0; batch < batches; ++batch) {
        QList<HistoryReading> readings;
        for (int i = 0; i < 10; ++i) {
            HistoryReading reading;
            reading.timeMs = HistoryWriter::firstMs + (batch * 10 + i) * 1000;
            reading.mac = QStringLiteral("aa:bb:cc:00:00:01");
            reading.name = QStringLiteral("Camera %1").arg(batch);
            reading.rssi = -50 - i;
            readings.append(reading);
        }
        if (const std::optional<QString> problem = opened.database->write(readings, {})) {
            std::fprintf(stderr, "%s\n", qPrintable(*problem));
            return 1;
        }
        std::printf("%d\n", batch);
        std::fflush(stdout);
    }
    return 0;
}
