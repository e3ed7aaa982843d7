#include "SimDevice.h"

#include "camera/sdk/CameraSdk.h"

namespace camera::sdk {

SimDevice::SimDevice(std::shared_ptr<const SimScene> scene, std::shared_ptr<SimSettings> settings,
                     int index, bool failFrames)
    : m_scene(std::move(scene)),
      m_index(index),
      m_failFrames(failFrames),
      m_settings(std::move(settings)) {}

QImage SimDevice::grabFrame() {
    if (m_failFrames) return {};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - m_started)
                        .count();
    return m_scene->frameAt(ms, m_settings->read(kBrightness, kQueryCurrent));
}

void SimDevice::writeSetting(int id, int value, bool automatic) {
    m_settings->write(id, value, automatic);
}

QByteArray SimDevice::version() const {
    return "Ostrely simulated camera " + QByteArray::number(m_index + 1) + "\r\nFirmware 1.0.0\r\n";
}

QString SimDevice::calibrationKey() const {
    return QStringLiteral("sim-%1").arg(m_index);
}

// Delivered calibrated to the board it looks at, as the device is.
std::optional<Corners> SimDevice::factoryCorners() const {
    return SimScene::boardCorners(m_index, m_scene->frameSize());
}

}  // namespace camera::sdk
