// Any byte string: the parser returns without fault, and what it accepts is within bounds.
#include "platform/hid/ReportDescriptor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto d = platform::hid::parseReportDescriptor(data, size);
    if (!d) return 0;
    if (d->collections.empty() || size > platform::hid::kMaxReportDescriptorSize) std::abort();
    for (const platform::hid::HidCaps& c : d->collections) {
        for (int len :
             {c.inputReportByteLength, c.outputReportByteLength, c.featureReportByteLength}) {
            if (len < 0 || len > 16384 + 1) std::abort();
        }
    }
    return 0;
}
