#pragma once
// Hot-plug notices as the device-change message (msg::kDeviceChange) with wParam arrival or
// removal complete and the device interface name as the message text, posted to a receiver.
#include "platform/MessageIds.h"

#include <QObject>

namespace platform::hid {

class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;
    // Starts posting to receiver, which must outlive the monitor. False when no events can come.
    virtual bool start(QObject* receiver) = 0;
};

}  // namespace platform::hid
