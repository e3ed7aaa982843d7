#include "HidrawDevice.h"

#include "platform/hid/InterfaceName.h"
#include "platform/hid/ReportDescriptor.h"

#include <QFile>
#include <QStringList>

#include <libudev.h>

namespace platform::hid {

namespace {

struct Ids {
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// HID_ID is "BUS:VENDOR:PRODUCT" in hexadecimal, e.g. "0003:00000483:00005851".
std::optional<Ids> parseHidId(const char* text) {
    if (text == nullptr) return std::nullopt;
    const QStringList parts = QString::fromLatin1(text).split(':');
    if (parts.size() != 3) return std::nullopt;
    bool okV = false, okP = false;
    const uint vendor = parts[1].toUInt(&okV, 16);
    const uint product = parts[2].toUInt(&okP, 16);
    if (!okV || !okP || vendor > 0xFFFF || product > 0xFFFF) return std::nullopt;
    return Ids{static_cast<uint16_t>(vendor), static_cast<uint16_t>(product)};
}

// The number of top-level collections; a descriptor we cannot read or parse still names one,
// so the device is listed and fails later, when it is opened.
int collectionCount(const QString& hidSyspath) {
    QFile f(hidSyspath + QStringLiteral("/report_descriptor"));
    if (!f.open(QIODevice::ReadOnly)) return 1;
    const QByteArray bytes = f.read(kMaxReportDescriptorSize + 1);
    const auto parsed = parseReportDescriptor(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                              static_cast<size_t>(bytes.size()));
    return parsed ? static_cast<int>(parsed->collections.size()) : 1;
}

// The USB interface number where the board is one function of a device of several
// interfaces; -1 for a device of one interface, or one not on USB.
int compositeInterface(udev_device* hid) {
    udev_device* intf = udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_interface");
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hid, "usb", "usb_device");
    if (intf == nullptr || usb == nullptr) return -1;
    bool okCount = false, okNumber = false;
    const int count = QString::fromLatin1(udev_device_get_sysattr_value(usb, "bNumInterfaces"))
                          .trimmed()
                          .toInt(&okCount);
    const int number = QString::fromLatin1(udev_device_get_sysattr_value(intf, "bInterfaceNumber"))
                           .trimmed()
                           .toInt(&okNumber, 16);
    return okCount && okNumber && count > 1 ? number : -1;
}

}  // namespace

std::optional<HidrawDevice> HidrawDevice::describe(udev_device* hidraw) {
    const char* node = udev_device_get_devnode(hidraw);
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (node == nullptr || hid == nullptr) return std::nullopt;
    const auto ids = parseHidId(udev_device_get_property_value(hid, "HID_ID"));
    if (!ids) return std::nullopt;
    HidrawDevice d;
    d.devnode = QString::fromLocal8Bit(node);
    d.syspath = QString::fromLocal8Bit(udev_device_get_syspath(hidraw));
    const QString instance = QString::fromLocal8Bit(udev_device_get_sysname(hid));
    const int collections = collectionCount(QString::fromLocal8Bit(udev_device_get_syspath(hid)));
    for (const QString& name : hidInterfaceNames(ids->vendor, ids->product, collections,
                                                 compositeInterface(hid), instance))
        d.interfaces.push_back(HidInterface{name, ids->vendor, ids->product});
    return d;
}

std::vector<HidrawDevice> HidrawDevice::scan(udev* context) {
    std::vector<HidrawDevice> out;
    udev_enumerate* e = udev_enumerate_new(context);
    if (e == nullptr) return out;
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* dev = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (dev == nullptr) continue;
        if (auto d = describe(dev)) out.push_back(std::move(*d));
        udev_device_unref(dev);
    }
    udev_enumerate_unref(e);
    return out;
}

}  // namespace platform::hid
