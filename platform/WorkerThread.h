#pragma once
// The program's one kind of worker thread. Whatever the work throws stops at the thread's edge:
// it is logged on the area's category, the owner's failure step runs on the worker thread (to
// end the work the way a failure ends it), and the owner learns of it from join(). Destroying a
// started worker waits for it.
#include <QLoggingCategory>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

class WorkerThread {
public:
    enum class Priority { Normal, Highest };

    // name says in the log what the thread was doing.
    WorkerThread(const QLoggingCategory& area, QString name);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts work on a new thread. onFailure runs on that thread after work threw; its own
    // exception is logged too. False while an earlier start has not been joined.
    bool start(std::function<void()> work, std::function<void()> onFailure = {},
               Priority priority = Priority::Highest);
    // Waits for the thread to end. False when its work threw.
    bool join();
    // Joins when the thread ends within the time; false when it still runs.
    bool joinFor(std::chrono::milliseconds timeout);

    // Started and not yet joined.
    bool joinable() const { return m_thread.joinable(); }
    // The work (and its failure step) is over; join() will not block.
    bool finished() const;

private:
    void run(const std::function<void()>& work, const std::function<void()>& onFailure,
             Priority priority);
    bool guarded(const std::function<void()>& fn, const char* step);
    void markEnded(bool failed);

    const QLoggingCategory& m_area;
    QString m_name;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_finished = false;
    bool m_failed = false;
    std::thread m_thread;
};

}  // namespace platform
