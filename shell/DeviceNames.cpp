#include "DeviceNames.h"

namespace devicenames {

namespace {

bool matches(const QString& name, const QString& bus, const QString& ids) {
    const qsizetype at = name.indexOf(bus);
    if (at <= 0) return false;
    return name.mid(at + 4, ids.size()) == ids;
}

}  // namespace

bool isCamera(const QString& interfaceName) {
    return matches(interfaceName, QStringLiteral("USB"), QStringLiteral("VID_0C45&PID_9102"));
}

bool isBoard(const QString& interfaceName) {
    return matches(interfaceName, QStringLiteral("HID"), QStringLiteral("VID_0483&PID_5851"));
}

}  // namespace devicenames
