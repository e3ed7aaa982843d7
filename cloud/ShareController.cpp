#include "ShareController.h"

#include "QrViewPort.h"
#include "ShareHost.h"
#include "ShareWorker.h"
#include "UiBridge.h"

namespace cloud {

ShareController::ShareController(ShareHost& host, CloudConfig config)
    : m_host(host),
      m_config(std::move(config)),
      m_ui(std::make_unique<UiBridge>(host.uiContext())) {}

ShareController::~ShareController() {
    m_abort = true;
    m_ui->close();
    if (m_thread.joinable()) m_thread.join();
}

bool ShareController::start() {
    if (m_running.load()) return false;
    if (m_thread.joinable()) m_thread.join();  // the last share has ended; reap its thread
    m_running = true;
    m_host.qrView().showBlank();
    const QString storeFolder = m_host.storeFolder();
    m_thread = std::thread([this, storeFolder] {
        ShareWorker worker(m_host, *m_ui, m_config, storeFolder, &m_abort);
        m_lastResult = worker.ShareThread();
        m_running = false;
    });
    return true;
}

}  // namespace cloud
