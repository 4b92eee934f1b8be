#include "preflight/PreflightChecklistModel.h"

#include <QByteArrayView>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

PreflightStatus passedWhen(bool holds, const QString& value) {
    return holds ? PreflightStatus::passed(value) : PreflightStatus::failed(value);
}

bool containsAny(const QString& value, const QStringList& needles) {
    const QString upper = value.toUpper();
    return std::any_of(needles.begin(), needles.end(),
                       [&](const QString& needle) { return upper.contains(needle); });
}

PreflightStatus statusFor(const ScriptResult& result,
                          const std::function<PreflightStatus(const QString&)>& judge) {
    switch (result.kind) {
    case ScriptResult::Case::value:
        return judge(result.text);
    case ScriptResult::Case::scriptError:
        return PreflightStatus::failed(result.text);
    case ScriptResult::Case::permissionDenied:
        return PreflightStatus::failed(u"Automation permission denied"_s);
    case ScriptResult::Case::notRunning:
        return PreflightStatus::failed(u"Capture One not running"_s);
    case ScriptResult::Case::noCameraAvailable:
        return PreflightStatus::failed(u"No camera tethered"_s);
    }
    return PreflightStatus::failed(result.text);
}

// "R1" or "R5" as a model number of its own: "EOS R10", "R100" and "R50" are
// other cameras, without second-generation wireless tethering.
bool namesSecondGenerationBody(const QString& cameraName) {
    static const QRegularExpression modelNumber(u"R[15](?![0-9])"_s);
    return modelNumber.match(cameraName.toUpper()).hasMatch();
}

// A RAW format with no JPEG beside it. An answer naming no RAW format (empty,
// HEIF) is not the format the item asks for either.
bool isRawWithoutJpeg(const QString& format) {
    return containsAny(format, {u"RAW"_s}) && !containsAny(format, {u"JPEG"_s});
}

// A check that asks Capture One and judges the value it answers.
PreflightCheckItem::Check askCapture(std::function<void(CaptureOneManager::Completion)> ask,
                                     std::function<PreflightStatus(const QString&)> judge) {
    return [ask, judge](const std::function<void(const PreflightStatus&)>& done) {
        ask([judge, done](const ScriptResult& result) { done(statusFor(result, judge)); });
    };
}

// The camera's clock as the C library reads a number in the C locale, whatever
// locale the desktop gave this process; the whole text or nothing.
std::optional<double> parseClockValue(const QString& text) {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || QByteArrayView(" \t\n\v\f\r").contains(bytes.front()))
        return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(bytes.constData(), &end, cLocale);
    if (end != bytes.constData() + bytes.size())
        return std::nullopt;
    return value;
}

QList<qint64> versionNumbers(QStringView text) {
    QList<qint64> numbers;
    for (QStringView piece : text.split(u'.', Qt::SkipEmptyParts)) {
        bool valid = false;
        const qint64 number = piece.toLongLong(&valid);
        if (valid)
            numbers.append(number);
    }
    return numbers;
}

} // namespace

PreflightChecklistModel::PreflightChecklistModel(CaptureOneManager& manager, const Clock& clock,
                                                 std::chrono::milliseconds scriptDeadline, QObject* parent)
    : QObject(parent)
    , manager(manager)
    , clock(clock)
    , scriptDeadline(scriptDeadline) {
    buildItems();
}

bool PreflightChecklistModel::compareVersions(const QString& version, const QString& required) {
    qsizetype start = 0;
    while (start < version.size() && !version[start].isDigit())
        ++start;
    qsizetype end = start;
    while (end < version.size() && (version[end].isDigit() || version[end] == u'.'))
        ++end;
    const QList<qint64> have = versionNumbers(QStringView(version).sliced(start, end - start));
    const QList<qint64> need = versionNumbers(required);
    for (qsizetype i = 0; i < std::max(have.size(), need.size()); ++i) {
        const qint64 a = have.value(i), b = need.value(i);
        if (a != b)
            return a > b;
    }
    return true;
}

void PreflightChecklistModel::buildItems() {
    const auto versionScript =
        u"tell application id \""_s + manager.bundleIdentifier + u"\" to get app version"_s;
    const auto runScript = [this](const QString& source) {
        return [this, source](CaptureOneManager::Completion done) { manager.runScriptAsync(source, done); };
    };
    const auto readAttribute = [this](const QString& name) {
        return [this, name](CaptureOneManager::Completion done) { manager.readCameraAttribute(name, done); };
    };
    const auto atOnce = [](std::function<PreflightStatus()> status) {
        return [status](const std::function<void(const PreflightStatus&)>& done) { done(status()); };
    };
    const auto thenReport = [](std::function<void()> change) {
        return [change](const std::function<void(bool)>& done) {
            change();
            done(true);
        };
    };
    const auto reportValue = [](const std::function<void(bool)>& done) {
        return [done](const ScriptResult& result) { done(result.kind == ScriptResult::Case::value); };
    };
    const auto onOff = [](bool on) { return passedWhen(on, on ? u"On"_s : u"Off"_s); };

    checklist = {
        {.id = 1,
         .title = u"Genuine Canon battery installed"_s,
         .manualHint =
             u"No scriptable signal exists for battery authenticity yet — confirm a genuine Canon LP-E6P "
             u"(not third-party) is installed before testing 5GHz/6GHz."_s},
        {.id = 2,
         .title = u"Firmware ≥ v1.3"_s,
         .manualHint =
             u"Not exposed via Capture One scripting — check Setup menu → Firmware Version on the camera "
             u"directly."_s},
        {.id = 3, .title = u"Capture One running"_s, .check = atOnce([this] {
                                                         const bool running = manager.isRunning();
                                                         return passedWhen(running, running
                                                                                        ? u"Running"_s
                                                                                        : u"Not running"_s);
                                                     })},
        {.id = 4,
         .title = u"Capture One version ≥ 16.8"_s,
         .check = askCapture(runScript(versionScript),
                             [](const QString& v) { return passedWhen(compareVersions(v, u"16.8"_s), v); })},
        {.id = 5,
         .title = u"Camera detected as R1/R5 II"_s,
         .check = askCapture(runScript(manager.cameraScript(u"return name of camera of current document"_s)),
                             [](const QString& v) { return passedWhen(namesSecondGenerationBody(v), v); })},
        {.id = 6,
         .title = u"Canon wireless tethering enabled"_s,
         .restartNote = u"(C1 restart required)"_s,
         .check = atOnce([this, onOff] {
             const std::optional<bool> enabled = manager.canonWirelessPreference();
             return enabled ? onOff(*enabled) : PreflightStatus::failed(u"Unknown"_s);
         }),
         .fix = thenReport([this] { manager.setCanonWireless(true); }),
         .fixConfirmationText =
             u"This enables Canon wireless tethering in Capture One's global preferences. Capture "
             u"One must be quit and relaunched for this to take effect — it will not apply until "
             u"you restart it."_s},
        {.id = 7,
         .title = u"Image format = CRAW/RAW, no JPEG"_s,
         .check =
             askCapture(runScript(manager.cameraScript(u"return format of camera of current document"_s)),
                        [](const QString& v) { return passedWhen(isRawWithoutJpeg(v), v); }),
         .fix =
             [this, reportValue](const std::function<void(bool)>& done) {
                 manager.setImageFormat(u"CRAW"_s, reportValue(done));
             },
         .fixConfirmationText =
             u"This sets the camera's image format to CRAW (no JPEG). Any current format setting "
             u"will be replaced."_s},
        {.id = 8,
         .title = u"Re-tether enabled"_s,
         .check = atOnce([this, onOff] { return onOff(manager.fetchOnConnectPreference()); }),
         .fix = thenReport([this] { manager.enablePreference(u"FetchOnConnect"_s); }),
         .fixConfirmationText = u"This turns on Capture One's global \"Enable Re-tether\" preference."_s},
        {.id = 9,
         .title = u"Save to card — global preference"_s,
         .check = atOnce([this, onOff] { return onOff(manager.saveToCardPreference()); }),
         .fix = thenReport([this] { manager.enablePreference(u"SaveToCard"_s); }),
         .fixConfirmationText =
             u"This turns on Capture One's global \"Save to Card and Capture One\" preference."_s},
        {.id = 10,
         .title = u"Active recording slot = CFexpress"_s,
         .manualHint = u"Confirm on the camera: it records to the CFexpress card."_s,
         .check = askCapture(readAttribute(u"Shoot/Recording/Playback"_s),
                             [](const QString& v) { return passedWhen(containsAny(v, {u"CF"_s}), v); })},
        {.id = 11,
         .title = u"Save to card — camera setting"_s,
         .manualHint = u"Confirm on the camera: tethered shots are saved to the card as well."_s,
         .check = askCapture(readAttribute(u"Shoot/Save To"_s),
                             [](const QString& v) {
                                 return passedWhen(containsAny(v, {u"SD"_s, u"CF"_s}), v);
                             }),
         .fix =
             [this, reportValue](const std::function<void(bool)>& done) {
                 manager.setSaveTo(u"SD+Capture One"_s, reportValue(done));
             },
         .fixConfirmationText =
             u"This sets the camera's save destination to card + Capture One. This per-camera "
             u"setting does not survive a camera power-cycle if the global preference above is "
             u"off — recheck that after any camera restart."_s},
        {.id = 12,
         .title = u"Wireless mode = Fast (2nd-gen active)"_s,
         .manualHint = u"Confirm on the camera: its wireless mode is Fast."_s,
         .check = askCapture(readAttribute(u"Shoot/Wireless Mode"_s),
                             [](const QString& v) { return passedWhen(containsAny(v, {u"FAST"_s}), v); })},
        {.id = 13,
         .title = u"Camera/computer clock sync"_s,
         .tier = PreflightTier::recommendation,
         .manualHint = u"Confirm on the camera: its date and time match this computer's within a minute."_s,
         .check = askCapture(readAttribute(u"Setup/UTC Time"_s),
                             [this](const QString& v) { return clockStatus(v, clock.now()); })},
    };
    for (PreflightCheckItem& item : checklist) {
        // Without the bridge a check could only report a preference nothing
        // reads, or fail for ever: a pass goes past them instead, and what the
        // camera's own menus show is left to the photographer.
        if (item.check && !manager.isReachable()) {
            item.check = {};
            item.fix = {};
            item.fixConfirmationText.reset();
            item.status = item.manualHint ? PreflightStatus::manualOnly() : PreflightStatus::notAvailable();
        } else if (!item.check) {
            item.status = PreflightStatus::manualOnly();
        }
    }
}

PreflightStatus PreflightChecklistModel::clockStatus(const QString& value, const QDateTime& now) {
    const PreflightStatus unreadable = PreflightStatus::failed(u"Unreadable clock value"_s);
    const std::optional<double> cameraSeconds = parseClockValue(value);
    if (!cameraSeconds || !std::isfinite(*cameraSeconds))
        return unreadable;
    const double difference = std::abs(now.toMSecsSinceEpoch() / 1000.0 - *cameraSeconds);
    // 2^63: the first difference a signed 64-bit count of seconds cannot hold.
    if (!(difference < 9223372036854775808.0))
        return unreadable;
    const QString seconds = QString::number(static_cast<qint64>(difference)) + u"s"_s;
    return passedWhen(difference <= 60.0, (difference <= 60.0 ? u"Within "_s : u"Off by "_s) + seconds);
}

bool PreflightChecklistModel::isComplete() const {
    return std::all_of(checklist.begin(), checklist.end(),
                       [](const PreflightCheckItem& item) { return item.status.isSettled(); });
}

void PreflightChecklistModel::runAll() {
    setRunState(true, failedAtIndex);
    runStep(failedAtIndex.value_or(0), ++passGeneration);
}

void PreflightChecklistModel::checkItem(int id) {
    const int index = id - 1;
    if (index < 0 || index >= checklist.size() || !checklist[index].check)
        return;
    startCheck(index, [this, index](const PreflightStatus& status) { setStatus(index, status); });
}

void PreflightChecklistModel::applyFix(int id) {
    const int index = id - 1;
    if (index < 0 || index >= checklist.size() || !checklist[index].fix)
        return;
    QPointer<PreflightChecklistModel> self(this);
    checklist[index].fix([self, id](bool) {
        if (self)
            self->checkItem(id);
    });
}

void PreflightChecklistModel::startCheck(int index, StatusDone apply) {
    setStatus(index, PreflightStatus::checking());
    QPointer<PreflightChecklistModel> self(this);
    // The first of the answer and the deadline decides; the other is dropped.
    auto decided = std::make_shared<bool>(false);
    auto deliver = [self, decided, apply = std::move(apply)](const PreflightStatus& status) {
        if (!self || std::exchange(*decided, true))
            return;
        QMetaObject::invokeMethod(
            self.data(), [apply, status] { apply(status); }, Qt::QueuedConnection);
    };
    checklist[index].check(deliver);
    if (!*decided)
        QTimer::singleShot(scriptDeadline, this, [deliver] {
            deliver(PreflightStatus::failed(u"Capture One did not answer in time"_s));
        });
}

void PreflightChecklistModel::runStep(int index, quint64 pass) {
    if (index >= checklist.size())
        return setRunState(false, std::nullopt);
    if (!checklist[index].check)
        return runStep(index + 1, pass);
    startCheck(index, [this, index, pass](const PreflightStatus& status) {
        setStatus(index, status);
        if (pass != passGeneration)
            return;
        if (status.kind == PreflightStatus::Case::failed)
            return setRunState(false, index);
        runStep(index + 1, pass);
    });
}

void PreflightChecklistModel::setStatus(int index, const PreflightStatus& status) {
    checklist[index].status = status;
    Q_EMIT itemStatusChanged(index);
}

void PreflightChecklistModel::setRunState(bool running, std::optional<int> failedAt) {
    runningAll = running;
    failedAtIndex = failedAt;
    Q_EMIT runStateChanged();
}
