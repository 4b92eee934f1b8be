#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <type_traits>
#include <utility>

// Runs `work` on `pool` and hands its result to `done` on `context`'s thread.
// `context` must outlive the pool's work (the router manager waits for its pool
// before its adapters go); `done` is dropped when `context` is gone by the time
// the result arrives.
template <typename Work, typename Done>
void runInBackground(QThreadPool& pool, QObject* context, Work work, Done done) {
    QPointer<QObject> guard(context);
    pool.start([guard, work = std::move(work), done = std::move(done)]() mutable {
        using Result = std::invoke_result_t<Work&>;
        if constexpr (std::is_void_v<Result>) {
            work();
            if (guard)
                QMetaObject::invokeMethod(
                    guard.data(),
                    [guard, done = std::move(done)]() mutable {
                        if (guard)
                            done();
                    },
                    Qt::QueuedConnection);
        } else {
            Result result = work();
            if (guard)
                QMetaObject::invokeMethod(
                    guard.data(),
                    [guard, done = std::move(done), result = std::move(result)]() mutable {
                        if (guard)
                            done(std::move(result));
                    },
                    Qt::QueuedConnection);
        }
    });
}
