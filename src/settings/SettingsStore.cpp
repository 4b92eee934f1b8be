#include "settings/SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <climits>
#include <cmath>

SettingsStore::SettingsStore(QString filePath)
    : path(std::move(filePath))
    , encodedPath(QFile::encodeName(path)) {
    QMutexLocker lock(&mutex);
    loadLocked();
}

SettingsStore& SettingsStore::shared() {
    static SettingsStore store(defaultFilePath());
    return store;
}

QString SettingsStore::defaultFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Veltrano/settings.json");
}

bool SettingsStore::FileStamp::operator==(const FileStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

SettingsStore::FileStamp SettingsStore::currentStamp() const {
    struct stat info {};
    if (::stat(encodedPath.constData(), &info) != 0)
        return {};
    return {true, info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

void SettingsStore::refreshLocked(bool forWrite) const {
    const bool inScope = scopeThread && scopeThread == QThread::currentThreadId();
    if (inScope && lookedInScope && !forWrite)
        return;
    ++checks;
    if (!(currentStamp() == loadedStamp))
        loadLocked();
    lookedInScope = lookedInScope || inScope;
}

SettingsStore::ReadScope::ReadScope(const SettingsStore& store)
    : store(store) {
    QMutexLocker lock(&store.mutex);
    if (store.scopeThread)
        return;
    store.scopeThread = QThread::currentThreadId();
    store.lookedInScope = false;
    holds = true;
}

SettingsStore::ReadScope::~ReadScope() {
    if (!holds)
        return;
    QMutexLocker lock(&store.mutex);
    store.scopeThread = nullptr;
}

quint64 SettingsStore::fileChecks() const {
    QMutexLocker lock(&mutex);
    return checks;
}

void SettingsStore::loadLocked() const {
    ++changes;
    loadedStamp = currentStamp();
    persistenceBlocked = false;
    if (!loadedStamp.exists) {
        values = {};
        return;
    }

    QFile file(path);
    QJsonParseError error{};
    QJsonDocument document;
    if (file.open(QIODevice::ReadOnly))
        document = QJsonDocument::fromJson(file.readAll(), &error);
    if (file.error() == QFileDevice::NoError && error.error == QJsonParseError::NoError &&
        document.isObject()) {
        values = document.object();
        return;
    }

    // The last good values stay: a file caught half-written by an editor, or made
    // unreadable, must not empty the settings of a running program, and the next
    // write carries them. Whatever the file held stays on disk under a name that
    // says what happened.
    const QString aside = path + QStringLiteral(".unreadable-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFile::rename(path, aside))
        movedAsideTo = aside;
    else
        persistenceBlocked = QFile::exists(path);
    loadedStamp = currentStamp();
}

bool SettingsStore::readBool(const QString& key) const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    return values.value(key).toBool(false);
}

std::optional<QString> SettingsStore::readString(const QString& key) const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    const QJsonValue value = values.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<int> SettingsStore::readInt(const QString& key) const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    const QJsonValue value = values.value(key);
    const double number = value.toDouble();
    // A hand-edited 2.5 or 1e12 is no count the program could act on.
    if (!value.isDouble() || number != std::trunc(number) || number < INT_MIN || number > INT_MAX)
        return std::nullopt;
    return static_cast<int>(number);
}

QMap<QString, QString> SettingsStore::readDictionary(const QString& key) const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    const QJsonValue value = values.value(key);
    if (!value.isObject())
        return {};
    QMap<QString, QString> result;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return {};
        result.insert(it.key(), it.value().toString());
    }
    return result;
}

std::optional<QJsonValue> SettingsStore::readObject(const QString& key) const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    if (!values.contains(key))
        return std::nullopt;
    return values.value(key);
}

QStringList SettingsStore::keys() const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    return values.keys();
}

quint64 SettingsStore::revision() const {
    QMutexLocker lock(&mutex);
    refreshLocked();
    return changes;
}

QString SettingsStore::setAsidePath() const {
    QMutexLocker lock(&mutex);
    return movedAsideTo;
}

std::optional<QString> SettingsStore::writeBool(const QString& key, bool value) {
    return writeValue(key, QJsonValue(value));
}

std::optional<QString> SettingsStore::writeInt(const QString& key, int value) {
    return writeValue(key, QJsonValue(value));
}

std::optional<QString> SettingsStore::writeString(const QString& key, const QString& value) {
    return writeValue(key, QJsonValue(value));
}

std::optional<QString> SettingsStore::writeDictionary(const QString& key,
                                                      const QMap<QString, QString>& value) {
    QJsonObject object;
    for (auto it = value.begin(); it != value.end(); ++it)
        object.insert(it.key(), it.value());
    return writeValue(key, object);
}

std::unique_ptr<QLockFile> SettingsStore::lockAgainstOtherWriters() const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto fileLock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    // Without the lock a write still goes ahead: losing a concurrent key is rare,
    // losing the user's change for certain is not.
    fileLock->tryLock(2000);
    return fileLock;
}

std::optional<QString> SettingsStore::writeValue(const QString& key, const QJsonValue& value) {
    QMutexLocker lock(&mutex);
    const auto fileLock = lockAgainstOtherWriters();
    refreshLocked(true);
    values.insert(key, value);
    return persistLocked();
}

std::optional<QString> SettingsStore::remove(const QString& key) {
    QMutexLocker lock(&mutex);
    const auto fileLock = lockAgainstOtherWriters();
    refreshLocked(true);
    if (!values.contains(key))
        return std::nullopt;
    values.remove(key);
    return persistLocked();
}

std::optional<QString> SettingsStore::writeDictionaryEntry(const QString& key, const QString& entry,
                                                           const QString& value) {
    QMutexLocker lock(&mutex);
    const auto fileLock = lockAgainstOtherWriters();
    refreshLocked(true);
    QJsonObject dictionary;
    const QJsonObject stored = values.value(key).toObject();
    for (auto it = stored.begin(); it != stored.end(); ++it)
        if (it.value().isString())
            dictionary.insert(it.key(), it.value());
    if (value.isEmpty())
        dictionary.remove(entry);
    else
        dictionary.insert(entry, value);
    values.insert(key, dictionary);
    return persistLocked();
}

void SettingsStore::removeAll() {
    QMutexLocker lock(&mutex);
    ++changes;
    values = {};
    QFile::remove(path);
    loadedStamp = currentStamp();
    persistenceBlocked = false;
}

std::optional<QString> SettingsStore::persistLocked() {
    if (persistenceBlocked)
        return QStringLiteral("an unreadable settings file could not be moved aside");
    QSaveFile file(path);
    // Unbuffered and checked: QSaveFile alone commits a file cut short when the
    // failure only shows while its buffer is flushed (disk full, size limit).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QByteArray content = QJsonDocument(values).toJson(QJsonDocument::Indented);
    if (file.write(content) != content.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    loadedStamp = currentStamp();
    ++changes;
    return std::nullopt;
}
