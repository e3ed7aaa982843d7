#pragma once
// The simulated camera: one or two cameras that behave like the real ones, for machines and tests
// without hardware.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/SimScene.h"
#include "camera/sdk/SimSettings.h"

#include <QSize>

#include <memory>
#include <mutex>
#include <vector>

namespace camera::sdk {

struct SimOptions {
    int cameras = 1;
    QSize frameSize{1600, 1200};
    int unsupportedSetting = 0;  // a setting id to report as not supported
    int refusedSetting = 0;      // a setting id whose writes the camera ignores
    bool failSnapshots = false;  // grabFrame gives nothing, as a camera that stopped streaming

    // From OSTRELY_CAMERA (sim / sim2), OSTRELY_SIM_SIZE (WxH), OSTRELY_SIM_UNSUPPORTED (id),
    // OSTRELY_SIM_REFUSED (id).
    static SimOptions fromEnvironment();
};

class SimBackend : public CameraBackend {
public:
    explicit SimBackend(SimOptions options);
    int count() override { return m_options.cameras; }
    std::unique_ptr<CameraDevice> open(int index) override;

private:
    struct Camera {
        std::shared_ptr<const SimScene> scene;
        std::shared_ptr<SimSettings> settings;
    };
    Camera& camera(int index);

    SimOptions m_options;
    std::mutex m_mutex;
    std::vector<Camera> m_cameras;  // drawn once, shared by every open
};

}  // namespace camera::sdk
