#include "VideoSink.h"

namespace camera::sdk {

void SinkGate::present(const QImage& frame, const CornerOverlay& overlay) {
    std::lock_guard lock(m_mutex);
    if (m_sink != nullptr) m_sink->present(frame, overlay);
}

void SinkGate::setCornerMover(std::function<void(int, QPointF)> mover) {
    std::lock_guard lock(m_mutex);
    if (m_sink != nullptr) m_sink->setCornerMover(std::move(mover));
}

void SinkGate::close() {
    std::lock_guard lock(m_mutex);
    m_sink = nullptr;
}

}  // namespace camera::sdk
