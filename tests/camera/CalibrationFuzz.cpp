// Calibration files come from disk and may be anything: reading must never misbehave, and what it
// accepts must be corners inside the frame that read back the same.
#include "camera/sdk/CalibrationStore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using camera::sdk::CalibrationStore;
    const auto c =
        CalibrationStore::parse(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    if (!c) return 0;
    for (const QPointF& p : c->p)
        if (!(p.x() >= 0 && p.x() <= 1 && p.y() >= 0 && p.y() <= 1)) std::abort();
    const auto again = CalibrationStore::parse(CalibrationStore::format(*c));
    if (!again) std::abort();
    return 0;
}
