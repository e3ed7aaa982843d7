#pragma once
// One simulated camera.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/SimScene.h"
#include "camera/sdk/SimSettings.h"

#include <chrono>
#include <memory>

namespace camera::sdk {

class SimDevice : public CameraDevice {
public:
    SimDevice(std::shared_ptr<const SimScene> scene, std::shared_ptr<SimSettings> settings,
              int index, bool failFrames);

    QSize frameSize() const override { return m_scene->frameSize(); }
    QImage grabFrame() override;
    int readSetting(int id, int query) override { return m_settings->read(id, query); }
    void writeSetting(int id, int value, bool automatic) override;
    void restoreDefaults() override { m_settings->restoreDefaults(); }
    QByteArray version() const override;
    QString calibrationKey() const override;
    std::optional<Corners> factoryCorners() const override;

private:
    std::shared_ptr<const SimScene> m_scene;
    int m_index;
    bool m_failFrames;
    std::shared_ptr<SimSettings> m_settings;  // kept by the backend: values outlive a reopen
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
};

}  // namespace camera::sdk
