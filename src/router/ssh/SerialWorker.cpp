#include "router/ssh/SerialWorker.h"

SerialWorker::SerialWorker()
    : thread([this] { run(); }) {}

SerialWorker::~SerialWorker() {
    stop();
}

void SerialWorker::stop() {
    {
        std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_one();
    if (thread.joinable())
        thread.join();
}

void SerialWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        jobs.push_back(std::move(job));
    }
    wake.notify_one();
}

void SerialWorker::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty())
            return;
        std::function<void()> job = std::move(jobs.front());
        jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}
