#pragma once
// HID devices through udev and hidraw.
#include "platform/hid/HidTransport.h"

#include <QString>

#include <map>
#include <mutex>

namespace platform::hid {

class HidrawTransport : public HidTransport {
public:
    std::vector<HidInterface> enumerate() override;
    std::unique_ptr<HidHandle> open(const QString& path) override;

private:
    // A closed board is tried again on every reading pass: one line per failure, not per try.
    std::mutex m_lock;
    std::map<QString, int> m_lastErrors;  // by node
};

}  // namespace platform::hid
