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

QString hidName(const QString& hardware, const QString& instance) {
    return QStringLiteral("\\\\?\\HID#%1#%2#{4d1e55b2-f16f-11cf-88cb-001111000030}")
        .arg(hardware, cleanInstance(instance));
}

QString twoDigits(int n, int base) {
    return QStringLiteral("%1").arg(n, 2, base, QChar('0')).toUpper();
}

}  // namespace

QString hidInterfaceName(uint16_t vendorId, uint16_t productId, int collection,
                         const QString& instance) {
    return hidName(ids(vendorId, productId) + QStringLiteral("&COL") + twoDigits(collection, 10),
                   instance);
}

QStringList hidInterfaceNames(uint16_t vendorId, uint16_t productId, int collections,
                              int usbInterface, const QString& instance) {
    QString hardware = ids(vendorId, productId);
    if (usbInterface >= 0) hardware += QStringLiteral("&MI_") + twoDigits(usbInterface & 0xFF, 16);
    const auto numbered = [&](int c) {
        return instance + QStringLiteral("&%1").arg(c - 1, 4, 10, QChar('0'));
    };
    if (collections <= 1) return {hidName(hardware, numbered(1))};
    QStringList names;
    for (int c = 1; c <= collections; ++c)
        names << hidName(hardware + QStringLiteral("&COL") + twoDigits(c, 10), numbered(c));
    return names;
}

QString usbDeviceName(uint16_t vendorId, uint16_t productId, const QString& instance) {
    return QStringLiteral("\\\\?\\USB#%1#%2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}")
        .arg(ids(vendorId, productId), cleanInstance(instance));
}

}  // namespace platform::hid
