#pragma once
// The one place that picks the button-board backend: OSTRELY_BOARD=sim gives the simulated board
// (one board plugged in, driven through tools/ostrely-board); anything else hidraw and udev.
#include "platform/hid/DeviceMonitor.h"
#include "platform/hid/HidTransport.h"

#include <memory>

namespace platform::hid {

struct HidBackend {
    HidBackend() = default;
    HidBackend(HidBackend&&) = default;
    // Assigning would free the old transport before the old monitor that refers to it.
    HidBackend& operator=(HidBackend&&) = delete;
    ~HidBackend() = default;

    std::unique_ptr<HidTransport> transport;
    std::unique_ptr<DeviceMonitor>
        monitor;  // refers to transport; declared after it, so it goes first
    bool simulated = false;
};

HidBackend createHidBackend();

}  // namespace platform::hid
