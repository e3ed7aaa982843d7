#pragma once
// The real cameras: UVC devices found through udev, streamed through V4L2.
#include "camera/sdk/CameraDevice.h"
#include "camera/sdk/UvcDeviceInfo.h"

#include <vector>

namespace camera::sdk {

class V4l2Backend : public CameraBackend {
public:
    // anyUvc admits every UVC camera, not only ours (OSTRELY_UVC_ANY=1).
    explicit V4l2Backend(bool anyUvc);
    int count() override;
    std::unique_ptr<CameraDevice> open(int index) override;

    // Every video4linux device udev knows, with its USB parent's details.
    static std::vector<UvcDeviceInfo> enumerate();

private:
    bool m_anyUvc;
    std::vector<UvcDeviceInfo> m_found;  // as of the last count
};

}  // namespace camera::sdk
