#pragma once
// Files of this process cannot grow past the limit while it lives: a disk that fills up. A write
// past it fails with EFBIG (SIGXFSZ is ignored meanwhile) and leaves the file cut off at the limit.
#include <sys/resource.h>

namespace testsupport {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

}  // namespace testsupport
