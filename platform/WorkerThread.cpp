#include "WorkerThread.h"

#include "Log.h"

#include <pthread.h>
#include <sched.h>

#include <exception>

namespace platform {

namespace {

// The highest priority the thread's scheduling policy allows, as the thread library's own
// "highest" does. Under the normal time-sharing policy that changes nothing, and is no failure.
void raisePriority(const QLoggingCategory& area) {
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0) return;
    param.sched_priority = sched_get_priority_max(policy);
    if (const int err = pthread_setschedparam(pthread_self(), policy, &param); err != 0)
        qCDebug(area) << "worker priority unchanged:" << err;
}

}  // namespace

WorkerThread::WorkerThread(const QLoggingCategory& area, QString name)
    : m_area(area), m_name(std::move(name)) {}

WorkerThread::~WorkerThread() {
    join();
}

bool WorkerThread::start(std::function<void()> work, std::function<void()> onFailure,
                         Priority priority) {
    if (m_thread.joinable()) return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = false;
        m_failed = false;
    }
    m_thread = std::thread([this, work = std::move(work), onFailure = std::move(onFailure),
                            priority] { run(work, onFailure, priority); });
    return true;
}

void WorkerThread::run(const std::function<void()>& work, const std::function<void()>& onFailure,
                       Priority priority) {
    if (priority == Priority::Highest) raisePriority(m_area);
    const bool ok = guarded(work, "ended by an error");
    if (!ok && onFailure) guarded(onFailure, "failed to end cleanly");
    markEnded(!ok);
}

bool WorkerThread::guarded(const std::function<void()>& fn, const char* step) {
    const QString what = m_name + ' ' + QLatin1String(step);
    try {
        fn();
        return true;
    } catch (const std::exception& e) {
        log::failure(m_area, what, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        log::failure(m_area, what, QStringLiteral("unknown exception"));
    }
    return false;
}

void WorkerThread::markEnded(bool failed) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_failed = failed;
    }
    m_ended.notify_all();
}

bool WorkerThread::finished() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_finished;
}

bool WorkerThread::join() {
    if (m_thread.joinable()) m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_failed;
}

bool WorkerThread::joinFor(std::chrono::milliseconds timeout) {
    if (!m_thread.joinable()) return true;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_ended.wait_for(lock, timeout, [this] { return m_finished; })) return false;
    }
    join();
    return true;
}

}  // namespace platform
