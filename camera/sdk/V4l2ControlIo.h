#pragma once
// The control requests of one V4L2 device (VIDIOC_QUERYCTRL, VIDIOC_G_CTRL, VIDIOC_S_CTRL,
// VIDIOC_QUERYMENU), so the settings logic runs the same on a device and on a recorded one.

namespace camera::sdk {

class V4l2ControlIo {
public:
    virtual ~V4l2ControlIo() = default;
    // 0 on success, -1 when the device refuses, as ioctl returns.
    virtual int controlIoctl(unsigned long request, void* arg) = 0;
};

}  // namespace camera::sdk
