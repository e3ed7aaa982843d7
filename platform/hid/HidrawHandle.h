#pragma once
// An open hidraw node seen as one top-level collection of its device.
#include "platform/hid/HidTransport.h"

#include <vector>

namespace platform::hid {

class HidrawHandle : public HidHandle {
public:
    // Takes ownership of fd. collection counts from 0.
    HidrawHandle(int fd, int collection);
    ~HidrawHandle() override;
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    std::optional<HidCaps> capabilities() override;
    int read(uint8_t* buf, size_t len, int timeoutMs) override;
    int write(const uint8_t* buf, size_t len, int timeoutMs) override;

private:
    bool loadDescriptor();

    int m_fd;
    int m_collection;
    bool m_loaded = false;
    std::optional<HidCaps> m_caps;
    // hidraw leaves the id byte out when the device numbers no reports; callers expect it.
    bool m_usesReportIds = true;
    std::vector<uint8_t> m_scratch;
};

}  // namespace platform::hid
