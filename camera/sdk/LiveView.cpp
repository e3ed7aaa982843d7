#include "LiveView.h"

#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/Keystone.h"
#include "platform/Log.h"

#include <chrono>

namespace camera::sdk {

LiveView::LiveView(std::shared_ptr<CameraDevice> device, std::shared_ptr<SinkGate> sink)
    : m_device(std::move(device)),
      m_sink(std::move(sink)),
      m_thread(platform::log::camera(), QStringLiteral("The live view")) {
    // A failing camera or sink ends this view's stream; the rest of the program goes on.
    m_thread.start([this] { loop(); }, {}, platform::WorkerThread::Priority::Normal);
}

LiveView::~LiveView() {
    stop();
}

void LiveView::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void LiveView::setRunning(bool run) {
    {
        std::lock_guard lock(m_mutex);
        m_running = run;
    }
    m_wake.notify_all();
}

bool LiveView::running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

void LiveView::setViewSize(QSize size) {
    std::lock_guard lock(m_mutex);
    m_viewSize = size;
}

void LiveView::setOverlay(const CornerOverlay& overlay) {
    {
        std::lock_guard lock(m_mutex);
        m_overlay = overlay;
    }
    m_wake.notify_all();
}

void LiveView::loop() {
    using Clock = std::chrono::steady_clock;
    const auto period = std::chrono::microseconds(1'000'000 / kFramesPerSecond);
    auto next = Clock::now();
    bool holding = false;
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        // The camera streams only while its view runs; started and stopped here, never on the
        // caller's thread, as a camera may take a while to answer.
        if (holding != m_running) {
            holding = m_running;
            lock.unlock();
            m_device->holdStream(holding);
            lock.lock();
            continue;
        }
        if (!m_running) {
            m_wake.wait(lock, [this] { return m_stop || m_running; });
            next = Clock::now();
            continue;
        }
        lock.unlock();
        showOne();
        lock.lock();
        next += period;
        // A slow frame does not make the next ones hurry to catch up.
        if (next < Clock::now()) next = Clock::now();
        m_wake.wait_until(lock, next, [this] { return m_stop || !m_running; });
    }
    lock.unlock();
    if (holding) m_device->holdStream(false);
}

void LiveView::showOne() {
    CornerOverlay overlay;
    QSize viewSize;
    {
        std::lock_guard lock(m_mutex);
        overlay = m_overlay;
        viewSize = m_viewSize;
    }
    const QImage frame = m_device->grabFrame();
    if (frame.isNull() || m_sink == nullptr) return;
    if (overlay.editing) {
        m_sink->present(frame, overlay);
        return;
    }
    if (viewSize.isEmpty()) viewSize = frame.size();
    // The sink may still hold the last picture: draw into a fresh one rather than under it.
    if (m_buffer.size() != viewSize || !m_buffer.isDetached())
        m_buffer = QImage(viewSize, QImage::Format_RGB32);
    Keystone::correctInto(frame, overlay.corners, m_buffer);
    m_sink->present(m_buffer, overlay);
}

}  // namespace camera::sdk
