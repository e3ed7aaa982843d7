#pragma once
// One hidraw node as udev shows it: its device node and the interface names of its top-level
// collections, built from the parent HID device's ids and report descriptor.
#include "platform/hid/HidTransport.h"

#include <QString>

#include <optional>
#include <vector>

struct udev;
struct udev_device;

namespace platform::hid {

struct HidrawDevice {
    QString devnode;                       // /dev/hidrawN
    QString syspath;                       // the hidraw device in sysfs
    std::vector<HidInterface> interfaces;  // one per top-level collection, in descriptor order

    // Empty when the node is not a HID device udev can describe.
    static std::optional<HidrawDevice> describe(udev_device* hidraw);
    // Every hidraw node present now.
    static std::vector<HidrawDevice> scan(udev* context);
};

}  // namespace platform::hid
