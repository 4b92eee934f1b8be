#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs jobs one after another on a thread of its own. Built on the standard
// library's thread and locks so that ThreadSanitizer sees every hand-over (it
// cannot see inside Debian's uninstrumented Qt).
class SerialWorker {
public:
    SerialWorker();
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;
    ~SerialWorker();

    void post(std::function<void()> job);
    // Finishes the queued jobs and joins the thread; later posts are dropped.
    // The destructor does the same.
    void stop();

private:
    void run();

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread thread;
};
