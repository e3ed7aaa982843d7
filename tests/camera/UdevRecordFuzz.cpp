// Recorded udev data is text from outside: reading it, and everything made from a record, must
// hold up whatever it holds.
#include "camera/sdk/UvcDeviceInfo.h"

#include <cstdint>
#include <cstdlib>

// Well above a real device list, well below the reader's own limit: larger inputs find nothing
// new and only make each run slower.
constexpr size_t kMaxInput = 64 * 1024;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using camera::sdk::UvcDeviceInfo;
    if (size > kMaxInput) return -1;  // not worth keeping in the corpus
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
