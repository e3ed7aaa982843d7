#pragma once
// HID devices through udev and hidraw.
#include "platform/hid/HidTransport.h"

namespace platform::hid {

class HidrawTransport : public HidTransport {
public:
    std::vector<HidInterface> enumerate() override;
    std::unique_ptr<HidHandle> open(const QString& path) override;
};

}  // namespace platform::hid
