#pragma once
// An open hidraw node seen as one top-level collection of its device.
#include "platform/UniqueFd.h"
#include "platform/hid/HidTransport.h"
#include "platform/hid/HidrawWriter.h"

#include <QString>

#include <memory>
#include <vector>

namespace platform::hid {

class HidrawHandle : public HidHandle {
public:
    // Takes ownership of fd. collection counts from 0; node names it in the log.
    HidrawHandle(int fd, int collection, QString node = {});
    // Opens the node for reading and writing; null, with a log line, when it cannot be. With
    // lastError (the errno of the previous try, 0 after a success) a repeated failure is not
    // logged again.
    static std::unique_ptr<HidrawHandle> open(const QString& node, int collection,
                                              int* lastError = nullptr);
    HidrawHandle(const HidrawHandle&) = delete;
    HidrawHandle& operator=(const HidrawHandle&) = delete;

    std::optional<HidCaps> capabilities() override;
    int read(uint8_t* buf, size_t len, int timeoutMs) override;
    int write(const uint8_t* buf, size_t len, int timeoutMs) override;

private:
    bool loadDescriptor();
    int writeFailed(int err);  // err 0: the node hung up

    UniqueFd m_fd;
    int m_collection;
    QString m_node;
    bool m_loaded = false;
    std::optional<HidCaps> m_caps;
    // hidraw leaves the id byte out when the device numbers no reports; callers expect it.
    bool m_usesReportIds = true;
    std::vector<uint8_t> m_scratch;
    bool m_writeStuck = false;               // said once until a write goes through again
    std::unique_ptr<HidrawWriter> m_writer;  // after m_fd: it ends before the node is closed
};

}  // namespace platform::hid
