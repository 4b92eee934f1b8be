#include "preflight/CaptureOneManager.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString noCameraSentinel = u"VT_NO_CAMERA_AVAILABLE"_s;
const QString currentCamera = u"camera of current document"_s;
const QString providersKey = u"CaptureProviders2"_s;
constexpr qint64 canonWirelessBit = 512;
// Capture One's own provider sets with and without Canon wireless tethering.
constexpr qint64 providersWithCanonWireless = 2680;
constexpr qint64 providersWithoutCanonWireless = 2168;
constexpr int notPermittedError = -1743;

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

QString attributeLoop(const QString& attributeName, const QString& onMatch) {
    return u"set attrResult to \"VT_ATTRIBUTE_NOT_FOUND\"\nrepeat with a in (every attribute of "_s +
           currentCamera + u")\n    if name of a is \""_s + attributeName + u"\" then\n"_s + onMatch +
           u"        set attrResult to value of a\n        exit repeat\n    end if\nend repeat\nreturn attrResult"_s;
}

} // namespace

CaptureOneManager::CaptureOneManager(std::shared_ptr<ApplicationScripting> scripting, QThreadPool& pool)
    : scripting(std::move(scripting))
    , pool(pool) {}

bool CaptureOneManager::isRunning() const {
    return scripting->runningApplicationIdentifiers().contains(bundleIdentifier, Qt::CaseSensitive);
}

ScriptResult CaptureOneManager::runScript(const QString& source) const {
    return runScriptWith(*scripting, bundleIdentifier, source);
}

ScriptResult CaptureOneManager::runScriptWith(ApplicationScripting& scripting,
                                              const QString& bundleIdentifier, const QString& source) {
    // A script sent to a stopped application would launch it.
    if (!scripting.runningApplicationIdentifiers().contains(bundleIdentifier, Qt::CaseSensitive))
        return ScriptResult::notRunning();
    const ApplicationScripting::ScriptRun run = scripting.runScript(source);
    if (!run.compiled)
        return ScriptResult::scriptError(u"Failed to compile AppleScript source"_s);
    if (run.error) {
        if (run.error->number == notPermittedError)
            return ScriptResult::permissionDenied();
        return ScriptResult::scriptError(run.error->message.value_or(u"Unknown AppleScript error"_s));
    }
    if (!run.stringValue)
        return ScriptResult::scriptError(u"Script executed but returned no string value"_s);
    if (*run.stringValue == noCameraSentinel)
        return ScriptResult::noCameraAvailable();
    return ScriptResult::value(*run.stringValue);
}

void CaptureOneManager::runScriptAsync(const QString& source, Completion completion) const {
    std::weak_ptr<ApplicationScripting> weakScripting = scripting;
    pool.start(
        [weakScripting, bundleIdentifier = bundleIdentifier, source, completion = std::move(completion)] {
            const std::shared_ptr<ApplicationScripting> alive = weakScripting.lock();
            ScriptResult result =
                alive ? runScriptWith(*alive, bundleIdentifier, source) : ScriptResult::notRunning();
            // The application object lives on the main thread for the whole run, so
            // the completion is never dropped.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [completion, result = std::move(result)] { completion(result); }, Qt::QueuedConnection);
        });
}

QString CaptureOneManager::cameraScript(const QString& body) const {
    return u"tell application id \""_s + bundleIdentifier +
           u"\"\n    tell current document\n        set camIDs to available camera identifiers\n"
           u"        if (count of camIDs) = 0 then return \""_s +
           noCameraSentinel +
           u"\"\n        select camera name (item 1 of camIDs)\n        delay 1\n    end tell\n    "_s +
           body + u"\nend tell"_s;
}

void CaptureOneManager::readCameraAttribute(const QString& attributeName, Completion completion) const {
    runScriptAsync(cameraScript(attributeLoop(attributeName, QString())), std::move(completion));
}

void CaptureOneManager::setImageFormat(const QString& format, Completion completion) const {
    const QString body = u"set format of "_s + currentCamera + u" to \""_s + format +
                         u"\"\nreturn format of "_s + currentCamera;
    runScriptAsync(cameraScript(body), std::move(completion));
}

void CaptureOneManager::setSaveTo(const QString& value, Completion completion) const {
    const QString setValue = u"        set value of a to \""_s + value + u"\"\n"_s;
    runScriptAsync(cameraScript(attributeLoop(u"Shoot/Save To"_s, setValue)), std::move(completion));
}

std::optional<bool> CaptureOneManager::canonWirelessPreference() const {
    const QVariant providers = scripting->preferenceValue(bundleIdentifier, providersKey);
    if (!isInteger(providers))
        return std::nullopt;
    return (providers.toLongLong() & canonWirelessBit) != 0;
}

std::optional<bool> CaptureOneManager::booleanPreference(const QString& key) const {
    const QVariant stored = scripting->preferenceValue(bundleIdentifier, key);
    if (stored.typeId() != QMetaType::Bool)
        return std::nullopt;
    return stored.toBool();
}

bool CaptureOneManager::saveToCardPreference() const {
    return booleanPreference(u"SaveToCard"_s).value_or(true);
}

bool CaptureOneManager::fetchOnConnectPreference() const {
    return booleanPreference(u"FetchOnConnect"_s).value_or(false);
}

void CaptureOneManager::setCanonWireless(bool enabled) {
    const QVariant providers = scripting->preferenceValue(bundleIdentifier, providersKey);
    qint64 updated = enabled ? providersWithCanonWireless : providersWithoutCanonWireless;
    if (isInteger(providers))
        updated =
            enabled ? providers.toLongLong() | canonWirelessBit : providers.toLongLong() & ~canonWirelessBit;
    scripting->setPreferenceValue(bundleIdentifier, providersKey, QVariant::fromValue(updated));
    scripting->synchronize(bundleIdentifier);
}

void CaptureOneManager::enablePreference(const QString& key) {
    scripting->setPreferenceValue(bundleIdentifier, key, true);
    scripting->synchronize(bundleIdentifier);
}
