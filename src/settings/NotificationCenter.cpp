#include "settings/NotificationCenter.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <QThread>
#include <algorithm>

NotificationCenter& NotificationCenter::shared() {
    // Never destroyed: observers and queued deliveries may still reach it while
    // the process winds down.
    static NotificationCenter* const center = [] {
        Q_ASSERT(QCoreApplication::instance());
        auto* created = new NotificationCenter;
        created->moveToThread(QCoreApplication::instance()->thread());
        return created;
    }();
    return *center;
}

void NotificationCenter::post(const QString& name, std::optional<bool> object) {
    if (QThread::currentThread() == thread()) {
        deliver(name, object);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, name, object] { deliver(name, object); }, Qt::QueuedConnection);
}

void NotificationCenter::observe(const QString& name, QObject* owner, Handler handler) {
    if (!owner || !handler)
        return;
    {
        QMutexLocker lock(&mutex);
        observers.push_back({name, owner, std::move(handler)});
    }
    // Direct, so the entry is dropped in whichever thread destroys the owner; the
    // owner check at delivery covers a notification already on its way.
    connect(owner, &QObject::destroyed, this, &NotificationCenter::forgetDestroyedOwners,
            Qt::DirectConnection);
}

void NotificationCenter::deliver(const QString& name, std::optional<bool> object) {
    std::vector<Observer> matching;
    {
        QMutexLocker lock(&mutex);
        std::copy_if(observers.begin(), observers.end(), std::back_inserter(matching),
                     [&name](const Observer& observer) { return observer.name == name; });
    }
    // Handlers run unlocked: one may observe, post or destroy another observer's owner.
    for (const Observer& observer : matching) {
        if (observer.owner)
            observer.handler(object);
    }
}

void NotificationCenter::forgetDestroyedOwners() {
    QMutexLocker lock(&mutex);
    std::erase_if(observers, [](const Observer& observer) { return observer.owner.isNull(); });
}
