#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QLockFile>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <sys/stat.h>

// The program's one flat key-value settings domain, kept as a JSON object in a
// file of the user's configuration area. Every reader asks at the moment of use;
// nothing is cached by callers. Safe from any thread.
//
// A change made to the file by another process (veltrano-cli) is picked up at the
// next read, and a write merges into what is on disk, so the two never undo
// each other's keys.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath);

    // $XDG_CONFIG_HOME/Veltrano/settings.json (default ~/.config).
    static SettingsStore& shared();
    static QString defaultFilePath();

    QString filePath() const { return path; }

    // Absent or not a Boolean: false.
    bool readBool(const QString& key) const;
    // Absent or not a string: none.
    std::optional<QString> readString(const QString& key) const;
    // Absent or not a whole number: none.
    std::optional<int> readInt(const QString& key) const;
    // Absent, not an object, or holding a non-string value: empty.
    QMap<QString, QString> readDictionary(const QString& key) const;
    // The raw stored value, to test presence whatever its type.
    std::optional<QJsonValue> readObject(const QString& key) const;
    QStringList keys() const;

    // Each write says why the file could not be written (a full disk, a
    // read-only folder); the file on disk then stays as it was.
    std::optional<QString> writeBool(const QString& key, bool value);
    std::optional<QString> writeString(const QString& key, const QString& value);
    std::optional<QString> writeInt(const QString& key, int value);
    std::optional<QString> writeDictionary(const QString& key, const QMap<QString, QString>& value);
    std::optional<QString> remove(const QString& key);
    // Sets one entry of a dictionary key (an empty value removes it) in one
    // read-merge-write, so that a concurrent writer's other entries stay.
    // Entries that are not strings are dropped.
    std::optional<QString> writeDictionaryEntry(const QString& key, const QString& entry,
                                                const QString& value);
    // Forgets every key and deletes the file (uninstall).
    void removeAll();

    // Where an unreadable settings file was moved, the store keeping the values it
    // last read (none at launch); empty when that never happened in this process.
    QString setAsidePath() const;

    // Moves on whenever the values may have changed, written here or by another
    // process: a window that follows the settings compares it instead of every key.
    quint64 revision() const;

    // While one is open, reads on the thread that opened it look at the file
    // once and then take what that look found: one wake-up of the program reads
    // a dozen keys, and each read would look at the file again. Writes always
    // look, so that they merge into what another process wrote meanwhile; reads
    // on other threads look as always. A store holds one scope at a time: a
    // second one, while the first is open, changes nothing.
    class ReadScope {
    public:
        explicit ReadScope(const SettingsStore& store);
        ~ReadScope();
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;

    private:
        const SettingsStore& store;
        bool holds = false;
    };

    // How many times a read or a write looked at the file.
    quint64 fileChecks() const;

private:
    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const FileStamp& other) const;
    };

    FileStamp currentStamp() const;
    // `forWrite`: look at the file even inside a read scope.
    void refreshLocked(bool forWrite = false) const;
    void loadLocked() const;
    // Serialises read-merge-write cycles with other processes (veltrano-cli).
    std::unique_ptr<QLockFile> lockAgainstOtherWriters() const;
    std::optional<QString> writeValue(const QString& key, const QJsonValue& value);
    std::optional<QString> persistLocked();

    QString path;
    // As the file system takes it, encoded once: every read checks the file.
    QByteArray encodedPath;
    mutable QMutex mutex;
    mutable QJsonObject values;
    mutable FileStamp loadedStamp;
    mutable QString movedAsideTo;
    mutable quint64 changes = 0;
    // Set when an unreadable file could not be moved aside: writing would destroy it.
    mutable bool persistenceBlocked = false;
    mutable quint64 checks = 0;
    // The thread of the open read scope, none without one, and whether a read in
    // it looked.
    mutable Qt::HANDLE scopeThread = nullptr;
    mutable bool lookedInScope = false;
};
