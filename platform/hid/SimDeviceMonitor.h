#pragma once
// Device-change notices with simulated boards: board plug-ins and removals come from the
// simulator, USB devices (cameras) still from udev.
#include "platform/hid/DeviceMonitor.h"
#include "platform/hid/UdevDeviceMonitor.h"

namespace platform::hid {

class SimBoardTransport;

class SimDeviceMonitor : public DeviceMonitor {
public:
    explicit SimDeviceMonitor(SimBoardTransport& boards);
    ~SimDeviceMonitor() override;

    bool start(QObject* receiver) override;

private:
    SimBoardTransport& m_boards;
    UdevDeviceMonitor m_usb;
};

}  // namespace platform::hid
