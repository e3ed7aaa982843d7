#include "HidrawTransport.h"

#include "platform/hid/HidrawDevice.h"
#include "platform/hid/HidrawHandle.h"

#include <libudev.h>

namespace platform::hid {

namespace {

std::vector<HidrawDevice> scanNow() {
    udev* context = udev_new();
    if (context == nullptr) return {};
    std::vector<HidrawDevice> devices = HidrawDevice::scan(context);
    udev_unref(context);
    return devices;
}

}  // namespace

std::vector<HidInterface> HidrawTransport::enumerate() {
    std::vector<HidInterface> out;
    for (const HidrawDevice& d : scanNow())
        out.insert(out.end(), d.interfaces.begin(), d.interfaces.end());
    return out;
}

std::unique_ptr<HidHandle> HidrawTransport::open(const QString& path) {
    if (path.isEmpty()) return nullptr;
    for (const HidrawDevice& d : scanNow()) {
        for (size_t c = 0; c < d.interfaces.size(); ++c) {
            if (d.interfaces[c].path.compare(path, Qt::CaseInsensitive) != 0) continue;
            // A node we may not open (permissions) counts as one that failed to open.
            std::lock_guard lock(m_lock);
            return HidrawHandle::open(d.devnode, static_cast<int>(c), &m_lastErrors[d.devnode]);
        }
    }
    return nullptr;
}

}  // namespace platform::hid
