#pragma once
// Hot-plug notices as the device-change message: 0x0219 with wParam 0x8000 (arrival) or 0x8004
// (removal complete) and the device interface name as the message text, posted to a receiver.
#include <QObject>

namespace platform::hid {

inline constexpr unsigned kDeviceChangeMessage = 0x0219;
inline constexpr unsigned kDeviceArrival = 0x8000;
inline constexpr unsigned kDeviceRemoveComplete = 0x8004;

class DeviceMonitor {
public:
    virtual ~DeviceMonitor() = default;
    // Starts posting to receiver, which must outlive the monitor. False when no events can come.
    virtual bool start(QObject* receiver) = 0;
};

}  // namespace platform::hid
