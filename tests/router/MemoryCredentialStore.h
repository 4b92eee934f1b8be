#pragma once

#include "router/keyring/CredentialStore.h"

#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <mutex>

// The credential store in a map, for tests of its callers. `failure`, when not
// success, makes every operation answer that status and change nothing, as a
// missing or locked Secret Service would; `saveCount` tells a re-save from none.
// While a test holds `gate`, reads wait, as on a keyring that never answers.
class MemoryCredentialStore : public CredentialStore {
public:
    PasswordRead readPassword(const QString& account) override {
        { const std::lock_guard waitForGate(gate); }
        const QMutexLocker lock(&mutex);
        if (failure != CredentialStatus::success)
            return {std::nullopt, failure};
        const auto item = items.constFind(account);
        if (item == items.cend())
            return {std::nullopt, CredentialStatus::itemNotFound};
        return {*item, CredentialStatus::success};
    }

    qint32 savePassword(const QString& value, const QString& account) override {
        const QMutexLocker lock(&mutex);
        ++saveCount;
        if (failure != CredentialStatus::success)
            return failure;
        items.insert(account, value);
        return CredentialStatus::success;
    }

    qint32 deletePassword(const QString& account) override {
        const QMutexLocker lock(&mutex);
        if (failure != CredentialStatus::success)
            return failure;
        return items.remove(account) > 0 ? CredentialStatus::success : CredentialStatus::itemNotFound;
    }

    QMap<QString, QString> items;
    qint32 failure = CredentialStatus::success;
    int saveCount = 0;
    std::mutex gate;

private:
    QMutex mutex;
};
