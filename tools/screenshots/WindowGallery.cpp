// Shows every window of the program in turn with sample content and writes a PNG
// of each into the folder given, as the screen shows it. Run under Xvfb by
// tools/screenshots/screenshots; it reads no settings of the user's and touches
// no network.
#include "app/SettingsStore.h"
#include "app/WhatsNewEntry.h"
#include "display/FloatingSignalState.h"
#include "logs/DebugLog.h"
#include "logs/SessionLog.h"
#include "windows/DebugLogWindow.h"
#include "windows/FloatingSignalWindow.h"
#include "windows/SessionLogWindow.h"
#include "windows/SplashWindow.h"
#include "windows/WhatsNewWindow.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

using Scene = std::function<QWidget*()>;

void fillSessionLog(SessionLog& log) {
    const QDateTime start(QDate(2026, 12, 7), QTime(9, 14, 2));
    const struct {
        int seconds;
        const char* state;
        std::optional<int> rssi;
        const char* message;
    } rows[] = {
        {0, "\u2014", std::nullopt, "Veltrano 1.0.0 launched on Debian GNU/Linux 12 (build 26120601)"},
        {3, "\u2014", std::nullopt, "Connected to GL.iNet GL-MT3000 \u00b7 192.168.8.1"},
        {5, "Excellent", -48, "Target A (Canon EOS R5) \u2014 Excellent"},
        {6, "Excellent", -55, "Target B (Canon EOS R6) \u2014 Excellent"},
        {412, "Marginal", -71, "Target A (Canon EOS R5) \u2014 Marginal"},
        {440, "Critical", -82, "Target A (Canon EOS R5) \u2014 Critical"},
        {471, "Marginal", -70, "Target A (Canon EOS R5) \u2014 Marginal"},
        {503, "Excellent", -52, "Target A (Canon EOS R5) \u2014 Excellent"},
        {1210, "Offline", std::nullopt, "Target B (Canon EOS R6) \u2014 Offline"},
        {1254, "Excellent", -57, "Target B (Canon EOS R6) \u2014 Excellent"},
    };
    for (const auto& row : rows)
        log.append({LogEntry::timestampFrom(start.addSecs(row.seconds)), QString::fromUtf8(row.state),
                    row.rssi, std::nullopt, QString::fromUtf8(row.message)});
}

void fillDebugLog(DebugLog& log) {
    log.log(QStringLiteral("INFO"), VtCode::transportReady,
            QStringLiteral("ssh master up for root@192.168.8.1"));
    log.log(QStringLiteral("DEBUG"), VtCode::transportCmdFail,
            QStringLiteral("ubus call iwinfo assoclist: retry"));
    log.log(QStringLiteral("ERROR"), VtCode::transportTimeout, QStringLiteral("no answer within 5 s"));
    log.log(QStringLiteral("INFO"), VtCode::transportReady, QString());
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltrano-window-gallery OUTPUT_FOLDER\n");
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir scratch;
    SettingsStore settings(scratch.filePath(QStringLiteral("settings.json")));
    SessionLog sessionLog(std::nullopt);
    fillSessionLog(sessionLog);
    DebugLog debugLog;
    fillDebugLog(debugLog);
    FloatingSignalState state;

    SplashWindow splash;
    FloatingSignalWindow floating(state, settings);
    WhatsNewWindow whatsNew;
    SessionLogWindow sessionWindow(sessionLog);
    DebugLogWindow debugWindow(debugLog);

    const QList<std::pair<QString, Scene>> scenes{
        {QStringLiteral("splash"),
         [&]() -> QWidget* {
             splash.present();
             return &splash;
         }},
        {QStringLiteral("floating-single"),
         [&]() -> QWidget* {
             state.setColorA(Colour::excellentTeal);
             floating.present();
             return &floating;
         }},
        {QStringLiteral("floating-split"),
         [&]() -> QWidget* {
             state.setColorA(Colour::systemRed);
             state.setColorB(Colour::excellentTeal);
             state.setLabelA(QStringLiteral("A"));
             state.setLabelB(QStringLiteral("B"));
             floating.present();
             return &floating;
         }},
        {QStringLiteral("whats-new"),
         [&]() -> QWidget* {
             whatsNew.present(unseenEntries(QStringLiteral("26071302")));
             return &whatsNew;
         }},
        {QStringLiteral("session-log"),
         [&]() -> QWidget* {
             sessionWindow.present();
             return &sessionWindow;
         }},
        {QStringLiteral("debug-log"),
         [&]() -> QWidget* {
             debugWindow.present();
             return &debugWindow;
         }},
    };

    int failures = 0;
    // One scene at a time: show, give the window system time to map and paint,
    // photograph what the screen shows, hide.
    std::function<void(int)> shoot = [&](int index) {
        if (index == scenes.size()) {
            app.exit(failures);
            return;
        }
        QWidget* window = scenes.at(index).second();
        QTimer::singleShot(800, &app, [&, index, window] {
            const QRect frame = window->frameGeometry();
            const QPixmap picture =
                window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
            const QString path = output.filePath(scenes.at(index).first + QStringLiteral(".png"));
            if (!picture.save(path)) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                ++failures;
            }
            window->hide();
            shoot(index + 1);
        });
    };
    QTimer::singleShot(0, &app, [&] { shoot(0); });
    return app.exec();
}
