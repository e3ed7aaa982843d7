#pragma once
// The system calls a V4L2 camera is driven by. The real ones by default; tests put a camera of
// their own behind them (frames at a rate, late timestamps, lying buffers) without a kernel driver.
#include <poll.h>
#include <sys/types.h>

#include <cstddef>

namespace camera::sdk {

class V4l2Syscalls {
public:
    virtual ~V4l2Syscalls() = default;
    virtual int open(const char* path, int flags);
    virtual int ioctl(int fd, unsigned long request, void* arg);
    virtual int poll(pollfd* fds, nfds_t count, int timeoutMs);
    virtual void* mmap(size_t length, int fd, off_t offset);
    virtual int munmap(void* start, size_t length);

    // The kernel's own calls; holds no state.
    static V4l2Syscalls& system();
};

}  // namespace camera::sdk
