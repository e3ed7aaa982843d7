#include "V4l2Backend.h"

#include "camera/sdk/V4l2Device.h"

#include <QMap>

#include <libudev.h>

namespace camera::sdk {

namespace {

QString str(const char* s) {
    return s != nullptr ? QString::fromUtf8(s) : QString();
}

// Older udev rules leave out the usb_id properties: take them from the USB parent's attributes.
void fillFromUsbParent(udev_device* dev, QMap<QString, QString>& props) {
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
    if (usb == nullptr) return;
    const auto attr = [&](const char* key, const char* name) {
        if (!props.contains(key)) props.insert(key, str(udev_device_get_sysattr_value(usb, name)));
    };
    attr("ID_VENDOR_ID", "idVendor");
    attr("ID_MODEL_ID", "idProduct");
    attr("ID_REVISION", "bcdDevice");
    attr("ID_VENDOR", "manufacturer");
    attr("ID_MODEL", "product");
    attr("ID_SERIAL_SHORT", "serial");
    // Two cameras with one serial are told apart by their port.
    if (!props.contains("ID_PATH"))
        props.insert("ID_PATH", "usb-" + str(udev_device_get_sysname(usb)));
    udev_device* intf = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_interface");
    if (intf != nullptr && !props.contains("ID_USB_DRIVER"))
        props.insert("ID_USB_DRIVER", str(udev_device_get_driver(intf)));
}

}  // namespace

V4l2Backend::V4l2Backend(bool anyUvc) : m_anyUvc(anyUvc) {}

std::vector<UvcDeviceInfo> V4l2Backend::enumerate() {
    std::vector<UvcDeviceInfo> out;
    udev* u = udev_new();
    if (u == nullptr) return out;
    udev_enumerate* e = udev_enumerate_new(u);
    udev_enumerate_add_match_subsystem(e, "video4linux");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
        if (dev == nullptr) continue;
        QMap<QString, QString> props;
        udev_list_entry* p;
        udev_list_entry_foreach(p, udev_device_get_properties_list_entry(dev))
            props.insert(str(udev_list_entry_get_name(p)), str(udev_list_entry_get_value(p)));
        fillFromUsbParent(dev, props);
        out.push_back(UvcDeviceInfo::fromProperties(props));
        udev_device_unref(dev);
    }
    udev_enumerate_unref(e);
    udev_unref(u);
    return out;
}

int V4l2Backend::count() {
    m_found = admittedCameras(enumerate(), m_anyUvc);
    return static_cast<int>(m_found.size());
}

std::unique_ptr<CameraDevice> V4l2Backend::open(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_found.size()) return nullptr;
    return V4l2Device::open(m_found[index]);
}

}  // namespace camera::sdk
