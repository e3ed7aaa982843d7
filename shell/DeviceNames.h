#pragma once
// Which device a device-change notice is about, from its interface name.
#include <QString>

namespace devicenames {

// "USB", one separator, then the camera's ids (case-sensitive; never at the very start).
bool isCamera(const QString& interfaceName);
// "HID", one separator, then the button board's ids.
bool isBoard(const QString& interfaceName);

}  // namespace devicenames
