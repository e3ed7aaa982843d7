#pragma once
// HID devices as the board code sees them: interfaces named the Windows way, opened for reading
// and writing, whole reports with the report id in byte 0 (0 when the device numbers none).
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform::hid {

// One present HID interface (one top-level collection of a device).
struct HidInterface {
    QString path;  // \\?\HID#VID_0483&PID_5851&COL01#... (no COL part for a single collection)
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// Report lengths in bytes as the HID capabilities give them: the largest report of each kind
// plus its id byte, or 0 when the collection has no report of that kind.
struct HidCaps {
    int inputReportByteLength = 0;
    int outputReportByteLength = 0;
    int featureReportByteLength = 0;
};

// Result of a read or write: bytes moved, 0 when nothing came or went within the time-out,
// kGone when the device failed (unplugged, I/O error) and the handle is of no further use.
inline constexpr int kGone = -1;

class HidHandle {
public:
    virtual ~HidHandle() = default;
    // Empty when the report descriptor cannot be had or does not parse.
    virtual std::optional<HidCaps> capabilities() = 0;
    // Reads one input report into buf (at most len bytes), waiting at most timeoutMs.
    virtual int read(uint8_t* buf, size_t len, int timeoutMs) = 0;
    // Writes one output report (buf[0] is the report id), waiting at most timeoutMs.
    virtual int write(const uint8_t* buf, size_t len, int timeoutMs) = 0;
};

class HidTransport {
public:
    virtual ~HidTransport() = default;
    // Every present HID interface, in a stable order.
    virtual std::vector<HidInterface> enumerate() = 0;
    // Opens an interface by its path (compared case-insensitively); null when it cannot be opened.
    virtual std::unique_ptr<HidHandle> open(const QString& path) = 0;
};

}  // namespace platform::hid
