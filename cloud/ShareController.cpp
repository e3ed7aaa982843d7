#include "ShareController.h"

#include "QrViewPort.h"
#include "ShareHost.h"
#include "ShareWorker.h"

#include "platform/Log.h"

#include <QThread>

namespace cloud {

ShareController::ShareController(ShareHost& host, CloudConfig config)
    : m_host(host), m_config(std::move(config)), m_thread(platform::log::share(), "The share") {
    QThread* uiThread = host.uiContext()->thread();
    if (m_ui.thread() != uiThread) m_ui.moveToThread(uiThread);
}

ShareController::~ShareController() {
    m_abort = true;
    // A worker waiting for the view is released before we wait for the worker.
    m_ui.close();
    m_thread.join();
}

bool ShareController::start() {
    if (m_running.load()) return false;
    m_thread.join();  // the last share has ended; reap its thread before its job goes
    m_running = true;
    m_host.qrView().showBlank();
    m_job = std::make_unique<ShareWorker>(m_host, m_ui, m_config, m_host.storeFolder(), &m_abort);
    ShareWorker* job = m_job.get();
    m_thread.start([this, job] { finish(job->ShareThread()); },
                   [this, job] { finish(job->endAfterError()); });
    return true;
}

void ShareController::finish(int result) {
    m_lastResult = result;
    m_running = false;
}

}  // namespace cloud
