// Recorded udev data is text from outside: reading it, and everything made from a record, must
// hold up whatever it holds.
#include "camera/sdk/UvcDeviceInfo.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using camera::sdk::UvcDeviceInfo;
    auto all =
        UvcDeviceInfo::parseRecorded(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    for (const UvcDeviceInfo& d : all) {
        const QByteArray v = d.versionText();
        if (!v.endsWith("\r\n")) std::abort();
        if (d.admitted(false) && !d.admitted(true)) std::abort();
        (void)d.calibrationKey();
    }
    (void)camera::sdk::admittedCameras(std::move(all), true);
    return 0;
}
