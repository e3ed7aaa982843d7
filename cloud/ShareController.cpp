#include "ShareController.h"

#include "QrViewPort.h"
#include "ShareHost.h"
#include "ShareWorker.h"

#include "platform/Log.h"

#include <QThread>

namespace cloud {

ShareController::ShareController(ShareHost& host, CloudConfig config)
    : ShareController(host, std::move(config), ShareMode::Cloud, RoomSettings{}) {}

ShareController::ShareController(ShareHost& host, CloudConfig config, ShareMode mode,
                                 RoomSettings room, RoomShare::AddressSource addresses)
    : m_host(host),
      m_config(std::move(config)),
      m_mode(mode),
      m_thread(platform::log::share(), "The share") {
    QThread* uiThread = host.uiContext()->thread();
    if (m_ui.thread() != uiThread) m_ui.moveToThread(uiThread);
    if (mode == ShareMode::Room)
        m_room = std::make_unique<RoomShare>(host, m_ui, room, std::move(addresses));
}

ShareController::~ShareController() {
    m_abort = true;
    // A worker waiting for the view is released before we wait for the worker.
    m_ui.close();
    m_thread.join();
    m_room.reset();
}

bool ShareController::start() {
    if (m_running.load()) return false;
    m_thread.join();  // the last share has ended; reap its thread before its job goes
    m_running = true;
    // A new share closes the last one's link.
    if (m_room) m_room->stop();
    m_host.qrView().showBlank();
    if (m_room) {
        RoomShare* room = m_room.get();
        m_thread.start([this, room] { finish(room->ShareThread()); },
                       [this, room] { finish(room->endAfterError()); });
        return true;
    }
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
