#include "app/cli/WatchPresenter.h"

#include <cmath>

namespace {

int channel(double component) {
    return static_cast<int>(std::lround(component * 255.0));
}

// 24-bit colour escapes; a transparent run (the idle brackets' dark phase) is
// printed as spaces so the line keeps its width.
QString colouredTitle(const StatusTitle& title) {
    QString text;
    for (const TitleRun& run : title.runs) {
        if (run.foreground.alpha == 0.0 && !run.background) {
            text += QString(run.text.size(), QLatin1Char(' '));
            continue;
        }
        text += QStringLiteral("\x1b[38;2;%1;%2;%3m")
                    .arg(channel(run.foreground.red))
                    .arg(channel(run.foreground.green))
                    .arg(channel(run.foreground.blue));
        if (run.background)
            text += QStringLiteral("\x1b[48;2;%1;%2;%3m")
                        .arg(channel(run.background->red))
                        .arg(channel(run.background->green))
                        .arg(channel(run.background->blue));
        text += run.text + QStringLiteral("\x1b[0m");
    }
    return text;
}

QString readingText(const WatchPresenter::SlotReading& reading) {
    const bool measured = reading.withoutReading.isEmpty();
    QString text = measured ? stateName(reading.state) : reading.withoutReading;
    if (measured && reading.state != SignalState::offline)
        text += QStringLiteral(" %1 dBm %2%").arg(reading.rssi).arg(reading.percent);
    if (!reading.place.isEmpty())
        text += QLatin1Char(' ') + reading.place;
    return text;
}

} // namespace

void WatchPresenter::configureSections(bool two, const QString& labelA, const QString& labelB) {
    twoTargets = two;
    labels = {labelA, labelB};
    if (!two)
        slots[1].reset();
}

void WatchPresenter::showIdleItems() {
    slots = {};
    notice.clear();
}

void WatchPresenter::updateP2P(const LocalLinkReading& link, int rssi, int percent, SignalState state) {
    notice.clear();
    twoTargets = false;
    slots = {SlotReading{state, rssi, percent, link.ssid.value_or(QStringLiteral("--"))}, std::nullopt};
}

void WatchPresenter::updateTarget(const RouterClient& row, int rssi, int percent, SignalState state,
                                  TargetSlot slot) {
    notice.clear();
    slots[static_cast<size_t>(slot)] =
        SlotReading{state, rssi, percent, row.ip,
                    row.radioTransportDown ? QStringLiteral("Router SSH not answering") : QString()};
}

void WatchPresenter::showLocalLinkUnavailable(bool hasInterface) {
    slots = {};
    notice = hasInterface ? QStringLiteral("Wi-Fi not connected")
                          : QStringLiteral("No Wi-Fi interface on this computer");
}

void WatchPresenter::showRouterUnreachable() {
    notice = QStringLiteral("Router unreachable");
}

QString WatchPresenter::line(const QString& time, const QString& mode, bool colour) const {
    QString text = time + QStringLiteral("  ") + mode;
    if (!notice.isEmpty())
        text += QStringLiteral("  ") + notice;
    else if (!slots[0] && !slots[1])
        text += QStringLiteral("  idle");
    for (size_t index = 0; index < slots.size(); ++index) {
        if (!slots[index])
            continue;
        text += QStringLiteral("  ");
        if (twoTargets)
            text += labels[index] + QStringLiteral(": ");
        text += readingText(*slots[index]);
    }
    const QString title = colour ? colouredTitle(currentTitle) : currentTitle.text();
    return text + QStringLiteral("  title: ") + title;
}
