#include "ExportRunner.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <utility>

namespace pictures {

ExportRunner::ExportRunner() : m_thread(platform::log::share(), "The PDF export") {}

ExportRunner::~ExportRunner() {
    stop();
}

bool ExportRunner::start(Work work, Progress progress, Done done) {
    if (m_running || m_ui.closed()) return false;
    m_thread.join();  // the last export has handed its result back; reap its thread
    m_running = true;
    {
        const std::lock_guard lock(m_lock);
        m_unreported.reset();
    }
    auto forward = [this, progress = std::move(progress)](int doneCount, int total) {
        if (progress) m_ui.post([progress, doneCount, total] { progress(doneCount, total); });
    };
    // The user-interface thread comes first: the export takes what time is left over.
    m_thread.start([this, work = std::move(work), forward, done] { handBack(work(forward), done); },
                   [this, done] { handBack(Result{}, done); },
                   platform::WorkerThread::Priority::Normal);
    return true;
}

void ExportRunner::handBack(const Result& result, const Done& done) {
    {
        const std::lock_guard lock(m_lock);
        m_unreported = result;
    }
    m_ui.post([this, result, done] {
        {
            const std::lock_guard lock(m_lock);
            m_unreported.reset();
        }
        m_running = false;
        if (done) done(result);
    });
}

void ExportRunner::wait() {
    while (m_running && !m_ui.closed())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
}

std::optional<ExportRunner::Result> ExportRunner::stop() {
    m_ui.close();
    m_thread.join();
    m_running = false;
    const std::lock_guard lock(m_lock);
    return std::exchange(m_unreported, std::nullopt);
}

}  // namespace pictures
