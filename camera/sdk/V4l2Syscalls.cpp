#include "V4l2Syscalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>

namespace camera::sdk {

int V4l2Syscalls::open(const char* path, int flags) {
    return ::open(path, flags);
}

int V4l2Syscalls::ioctl(int fd, unsigned long request, void* arg) {
    return ::ioctl(fd, request, arg);
}

int V4l2Syscalls::poll(pollfd* fds, nfds_t count, int timeoutMs) {
    return ::poll(fds, count, timeoutMs);
}

void* V4l2Syscalls::mmap(size_t length, int fd, off_t offset) {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
}

int V4l2Syscalls::munmap(void* start, size_t length) {
    return ::munmap(start, length);
}

V4l2Syscalls& V4l2Syscalls::system() {
    static V4l2Syscalls calls;
    return calls;
}

}  // namespace camera::sdk
