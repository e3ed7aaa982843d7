#include "UdevDeviceMonitor.h"
#include "platform/MessageIds.h"

#include "platform/Log.h"
#include "platform/Message.h"
#include "platform/hid/HidrawDevice.h"
#include "platform/hid/InterfaceName.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstring>

namespace platform::hid {

namespace {

QStringList namesOf(const HidrawDevice& d) {
    QStringList names;
    for (const HidInterface& i : d.interfaces) names << i.path;
    return names;
}

// The kernel's PRODUCT of a USB device: "vendor/product/bcdDevice" in unpadded hexadecimal.
bool parseProduct(const char* text, uint16_t& vendor, uint16_t& product) {
    if (text == nullptr) return false;
    const QStringList parts = QString::fromLatin1(text).split('/');
    if (parts.size() < 2) return false;
    bool okV = false, okP = false;
    const uint v = parts[0].toUInt(&okV, 16);
    const uint p = parts[1].toUInt(&okP, 16);
    if (!okV || !okP || v > 0xFFFF || p > 0xFFFF) return false;
    vendor = static_cast<uint16_t>(v);
    product = static_cast<uint16_t>(p);
    return true;
}

}  // namespace

UdevDeviceMonitor::UdevDeviceMonitor(bool hid, bool usb)
    : m_hid(hid), m_usb(usb), m_thread(log::board(), QStringLiteral("The device monitor")) {}

UdevDeviceMonitor::~UdevDeviceMonitor() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd.get(), &one, sizeof one);
        m_thread.join();
    }
    m_stopFd.reset();  // only now that the thread polling it has ended
    if (m_monitor != nullptr) udev_monitor_unref(m_monitor);
    if (m_udev != nullptr) udev_unref(m_udev);
}

bool UdevDeviceMonitor::start(QObject* receiver) {
    if (m_thread.joinable() || receiver == nullptr) return false;
    m_receiver = receiver;
    m_udev = udev_new();
    if (m_udev == nullptr) return false;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor == nullptr) return false;
    if (m_hid) udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr);
    if (m_usb) {
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "usb", "usb_device");
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "video4linux", nullptr);
    }
    if (udev_monitor_enable_receiving(m_monitor) < 0) return false;
    m_stopFd.reset(::eventfd(0, EFD_CLOEXEC));
    if (!m_stopFd) return false;
    if (m_hid) {
        for (const HidrawDevice& d : HidrawDevice::scan(m_udev))
            m_hidrawNames.insert(d.syspath, namesOf(d));
    }
    m_thread.start([this] { run(); }, {}, WorkerThread::Priority::Normal);
    return true;
}

void UdevDeviceMonitor::run() {
    pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_stopFd.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & POLLIN) {
            if (udev_device* dev = udev_monitor_receive_device(m_monitor)) {
                handle(dev);
                udev_device_unref(dev);
            }
        }
    }
}

void UdevDeviceMonitor::handle(udev_device* dev) {
    const char* action = udev_device_get_action(dev);
    const char* subsystem = udev_device_get_subsystem(dev);
    if (action == nullptr || subsystem == nullptr) return;
    const bool added = std::strcmp(action, "add") == 0;
    if (!added && std::strcmp(action, "remove") != 0) return;
    if (std::strcmp(subsystem, "hidraw") == 0) handleHidraw(dev, added);
    if (std::strcmp(subsystem, "usb") == 0) handleUsb(dev, added);
    if (std::strcmp(subsystem, "video4linux") == 0) handleVideo(dev, added);
}

void UdevDeviceMonitor::handleHidraw(udev_device* dev, bool added) {
    const QString syspath = QString::fromLocal8Bit(udev_device_get_syspath(dev));
    if (added) {
        const auto d = HidrawDevice::describe(dev);
        if (!d) return;
        const QStringList names = namesOf(*d);
        m_hidrawNames.insert(syspath, names);
        for (const QString& n : names) post(msg::kDeviceArrival, n);
    } else {
        for (const QString& n : m_hidrawNames.take(syspath)) post(msg::kDeviceRemoveComplete, n);
    }
}

void UdevDeviceMonitor::handleUsb(udev_device* dev, bool added) {
    uint16_t vendor = 0, product = 0;
    if (!parseProduct(udev_device_get_property_value(dev, "PRODUCT"), vendor, product)) return;
    const QString instance = QString::fromLocal8Bit(udev_device_get_sysname(dev));
    post(added ? msg::kDeviceArrival : msg::kDeviceRemoveComplete,
         usbDeviceName(vendor, product, instance));
}

// Named as the camera's USB device is, with the node in place of its instance.
void UdevDeviceMonitor::handleVideo(udev_device* dev, bool added) {
    const QString syspath = QString::fromLocal8Bit(udev_device_get_syspath(dev));
    if (!added) {
        // udev's database may be gone by now: the name given at arrival is the one to use.
        const QString name = m_videoNames.take(syspath);
        if (!name.isEmpty()) post(msg::kDeviceRemoveComplete, name);
        return;
    }
    // A UVC camera also makes a metadata node; only the one that captures is the camera.
    const char* caps = udev_device_get_property_value(dev, "ID_V4L_CAPABILITIES");
    if (caps == nullptr || std::strstr(caps, ":capture:") == nullptr) return;
    bool okV = false, okP = false;
    const uint v =
        QString::fromLatin1(udev_device_get_property_value(dev, "ID_VENDOR_ID")).toUInt(&okV, 16);
    const uint p =
        QString::fromLatin1(udev_device_get_property_value(dev, "ID_MODEL_ID")).toUInt(&okP, 16);
    uint16_t vendor = static_cast<uint16_t>(v), product = static_cast<uint16_t>(p);
    if (!okV || !okP || v > 0xFFFF || p > 0xFFFF) {
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
        if (usb == nullptr ||
            !parseProduct(udev_device_get_property_value(usb, "PRODUCT"), vendor, product))
            return;
    }
    const QString name =
        usbDeviceName(vendor, product, QString::fromLocal8Bit(udev_device_get_sysname(dev)));
    m_videoNames.insert(syspath, name);
    post(msg::kDeviceArrival, name);
}

void UdevDeviceMonitor::post(unsigned event, const QString& name) {
    platform::postMessage(m_receiver, msg::kDeviceChange, event, 0, name);
}

}  // namespace platform::hid
