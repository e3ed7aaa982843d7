#pragma once
// Device interface names in the form Windows gives them, so name checks written for them hold:
//   \\?\HID#VID_0483&PID_5851&COL01#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}
//   \\?\HID#VID_0483&PID_5851&MI_01#<instance>#{4d1e55b2-f16f-11cf-88cb-001111000030}
//   \\?\USB#VID_0C45&PID_9102#<instance>#{a5dcbf10-6530-11d2-901f-00c04fb951ed}
#include <QString>
#include <QStringList>

#include <cstdint>

namespace platform::hid {

// collection counts from 1. The instance is reduced to characters that cannot end a name part.
QString hidInterfaceName(uint16_t vendorId, uint16_t productId, int collection,
                         const QString& instance);
// The names of one HID interface's top-level collections, in descriptor order, as Windows gives
// them: "&MI_xx" (the USB interface number) only on a device of several interfaces, "&COLnn"
// only where the interface has several collections. usbInterface is -1 where the device has
// one interface.
QStringList hidInterfaceNames(uint16_t vendorId, uint16_t productId, int collections,
                              int usbInterface, const QString& instance);
QString usbDeviceName(uint16_t vendorId, uint16_t productId, const QString& instance);

}  // namespace platform::hid
