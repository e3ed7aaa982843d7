#pragma once
// Report descriptor parsing: the report lengths each top-level collection would show in its HID
// capabilities, and whether reports carry an id byte.
#include "platform/hid/HidTransport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace platform::hid {

struct ReportDescriptor {
    bool usesReportIds = false;
    std::vector<HidCaps> collections;  // one per top-level collection, in descriptor order
};

// Descriptors longer than the kernel ever hands out are refused.
inline constexpr size_t kMaxReportDescriptorSize = 4096;

// Empty when the descriptor is malformed: a truncated item, an invalid report id, size or count,
// an unbalanced push/pop or collection, a data item outside every collection, or no collection.
std::optional<ReportDescriptor> parseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace platform::hid
