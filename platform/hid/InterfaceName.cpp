#include "InterfaceName.h"

namespace platform::hid {

namespace {

QString cleanInstance(const QString& instance) {
    QString out = instance.toUpper();
    for (QChar& c : out) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != '.' && c != '_') c = '&';
    }
    return out.isEmpty() ? QStringLiteral("0") : out;
}

QString ids(uint16_t vendorId, uint16_t productId) {
    return QStringLiteral("VID_%1&PID_%2")
        .arg(vendorId, 4, 16, QChar('0'))
        .arg(productId, 4, 16, QChar('0'))
        .toUpper();
}

}  // namespace

QString hidInterfaceName(uint16_t vendorId, uint16_t productId, int collection,
                         const QString& instance) {
    return QStringLiteral("\\\\?\\HID#%1&COL%2#%3#{4d1e55b2-f16f-11cf-88cb-001111000030}")
        .arg(ids(vendorId, productId))
        .arg(collection, 2, 10, QChar('0'))
        .arg(cleanInstance(instance));
}

QString usbDeviceName(uint16_t vendorId, uint16_t productId, const QString& instance) {
    return QStringLiteral("\\\\?\\USB#%1#%2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")
        .arg(ids(vendorId, productId), cleanInstance(instance));
}

}  // namespace platform::hid
