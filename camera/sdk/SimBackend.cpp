#include "SimBackend.h"

#include "camera/sdk/SimDevice.h"

#include <QRegularExpression>

namespace camera::sdk {

SimOptions SimOptions::fromEnvironment() {
    SimOptions o;
    o.cameras = qgetenv("OSTRELY_CAMERA") == "sim2" ? 2 : 1;
    const QString size = QString::fromLocal8Bit(qgetenv("OSTRELY_SIM_SIZE"));
    const auto m = QRegularExpression("^(\\d{2,4})x(\\d{2,4})$").match(size);
    if (m.hasMatch()) o.frameSize = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    o.unsupportedSetting = qEnvironmentVariableIntValue("OSTRELY_SIM_UNSUPPORTED");
    o.refusedSetting = qEnvironmentVariableIntValue("OSTRELY_SIM_REFUSED");
    return o;
}

SimBackend::SimBackend(SimOptions options) : m_options(options) {}

SimBackend::Camera& SimBackend::camera(int index) {
    if (m_cameras.size() <= static_cast<size_t>(index)) m_cameras.resize(index + 1);
    Camera& c = m_cameras[index];
    if (!c.scene) {
        c.scene = std::make_shared<SimScene>(m_options.frameSize, index);
        c.settings =
            std::make_shared<SimSettings>(m_options.unsupportedSetting, m_options.refusedSetting);
    }
    return c;
}

std::unique_ptr<CameraDevice> SimBackend::open(int index) {
    if (index < 0 || index >= m_options.cameras) return nullptr;
    std::lock_guard lock(m_mutex);
    const Camera& c = camera(index);
    return std::make_unique<SimDevice>(c.scene, c.settings, index, m_options.failSnapshots);
}

}  // namespace camera::sdk
