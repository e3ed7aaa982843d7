// The system calls and libudev calls the program makes, answered by the fake for its devices
// and passed on to the real functions for everything else.
#include "FakeUvcControl.h"
#include "World.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

using fakeuvc::World;

namespace {

template <typename F>
F real(F& slot, const char* name) {
    if (slot == nullptr) slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return slot;
}

#define REAL(name) real(s_##name, #name)

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);
using CloseFn = int (*)(int);
using IoctlFn = int (*)(int, unsigned long, ...);
using MmapFn = void* (*)(void*, size_t, int, int, int, off_t);
using MunmapFn = int (*)(void*, size_t);
using PollFn = int (*)(pollfd*, nfds_t, int);
using SelectFn = int (*)(int, fd_set*, fd_set*, fd_set*, timeval*);
using ReadFn = ssize_t (*)(int, void*, size_t);

OpenFn s_open, s_open64;
OpenAtFn s_openat, s_openat64;
CloseFn s_close;
IoctlFn s_ioctl;
MmapFn s_mmap, s_mmap64;
MunmapFn s_munmap;
PollFn s_poll;
SelectFn s_select;
ReadFn s_read;

constexpr int64_t kMaxSliceNs = 20'000'000;  // so a test's unplug or a new event is seen soon

bool ours(const char* path) {
    return path != nullptr && std::strncmp(path, "/dev/video", 10) == 0 && World::get().active();
}

int fakeOpen(const char* path, int flags) {
    int err = 0;
    const int fd = World::get().open(path, flags, err);
    if (fd < 0) errno = err;
    return fd;
}

mode_t modeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

bool fakeFd(int fd) {
    World& w = World::get();
    return w.cameraOfFd(fd) != World::kNotOurs || w.isMonitorFd(fd);
}

int64_t nowNs() {
    return World::nowNs();
}

}  // namespace

__attribute__((constructor)) static void fakeuvcStart() {
    if (const char* script = std::getenv("FAKEUVC_SCRIPT"); script != nullptr && script[0] != '\0')
        World::get().load(script);
}

extern "C" {

int fakeuvc_load(const char* scriptPath) {
    return World::get().load(scriptPath);
}

void fakeuvc_unplug(const char* node) {
    World::get().unplug(node);
}

long fakeuvc_stat(const char* node, const char* what) {
    return World::get().stat(node, what);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (ours(path)) return fakeOpen(path, flags);
    return REAL(open)(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (ours(path)) return fakeOpen(path, flags);
    return REAL(open64)(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (ours(path)) return fakeOpen(path, flags);
    return REAL(openat)(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = modeOf(flags, args);
    va_end(args);
    if (ours(path)) return fakeOpen(path, flags);
    return REAL(openat64)(dirfd, path, flags, mode);
}

// The fortified forms a compiler may call instead.
int __open_2(const char* path, int flags) {
    return open(path, flags);
}
int __open64_2(const char* path, int flags) {
    return open64(path, flags);
}
int __openat_2(int dirfd, const char* path, int flags) {
    return openat(dirfd, path, flags);
}
int __openat64_2(int dirfd, const char* path, int flags) {
    return openat64(dirfd, path, flags);
}

int close(int fd) {
    if (fakeFd(fd)) World::get().close(fd);
    return REAL(close)(fd);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);
    if (World::get().cameraOfFd(fd) == World::kNotOurs) return REAL(ioctl)(fd, request, arg);
    int err = 0;
    const int r = World::get().ioctl(fd, request, arg, err);
    if (r < 0) errno = err;
    return r;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (fd < 0 || World::get().cameraOfFd(fd) == World::kNotOurs)
        return REAL(mmap)(addr, length, prot, flags, fd, offset);
    int err = 0;
    void* p = World::get().mmap(addr, length, prot, fd, offset, err);
    if (p == MAP_FAILED) errno = err;
    return p;
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
    if (fd < 0 || World::get().cameraOfFd(fd) == World::kNotOurs)
        return REAL(mmap64)(addr, length, prot, flags, fd, offset);
    return mmap(addr, length, prot, flags, fd, offset);
}

int munmap(void* addr, size_t length) {
    if (World::get().anyMapped()) World::get().munmap(addr);
    return REAL(munmap)(addr, length);
}

ssize_t read(int fd, void* buf, size_t count) {
    const int cam = World::get().cameraOfFd(fd);
    if (cam == World::kNotOurs) return REAL(read)(fd, buf, count);
    // uvcvideo streams by buffers only.
    errno = cam < 0 ? ENODEV : EINVAL;
    return -1;
}

int poll(pollfd* fds, nfds_t n, int timeout) {
    constexpr nfds_t kMax = 64;
    bool any = false;
    for (nfds_t i = 0; i < n && !any; ++i) any = fakeFd(fds[i].fd);
    if (!any || n > kMax) return REAL(poll)(fds, n, timeout);
    const int64_t deadline = timeout < 0 ? INT64_MAX : nowNs() + int64_t(timeout) * 1'000'000;
    pollfd passed[kMax];
    for (;;) {
        for (nfds_t i = 0; i < n; ++i) {
            fds[i].revents = 0;
            passed[i] = fds[i];
            if (fakeFd(fds[i].fd)) passed[i].fd = -1;  // poll leaves negative descriptors alone
        }
        int64_t wait = kMaxSliceNs;
        int err = 0;
        const int fake = World::get().pollFake(fds, unsigned(n), wait, err);
        if (fake < 0) {
            errno = err;
            return -1;
        }
        const int64_t now = nowNs();
        if (fake > 0 || now >= deadline)
            wait = 0;
        else
            wait = std::min(wait, deadline - now);
        const int r = REAL(poll)(passed, n, int((wait + 999'999) / 1'000'000));
        if (r < 0) return r;
        int ready = 0;
        for (nfds_t i = 0; i < n; ++i) {
            if (passed[i].fd >= 0) fds[i].revents = passed[i].revents;
            if (fds[i].revents != 0) ++ready;
        }
        if (ready > 0 || nowNs() >= deadline) return ready;
    }
}

int select(int nfds, fd_set* readfds, fd_set* writefds, fd_set* exceptfds, timeval* timeout) {
    constexpr int kMax = 64;
    pollfd fds[kMax];
    int n = 0;
    bool any = false;
    for (int fd = 0; fd < nfds && fd < FD_SETSIZE; ++fd) {
        short events = 0;
        if (readfds != nullptr && FD_ISSET(fd, readfds)) events |= POLLIN;
        if (writefds != nullptr && FD_ISSET(fd, writefds)) events |= POLLOUT;
        if (exceptfds != nullptr && FD_ISSET(fd, exceptfds)) events |= POLLPRI;
        if (events == 0) continue;
        any |= fakeFd(fd);
        if (n == kMax) return REAL(select)(nfds, readfds, writefds, exceptfds, timeout);
        fds[n++] = pollfd{fd, events, 0};
    }
    if (!any) return REAL(select)(nfds, readfds, writefds, exceptfds, timeout);
    const int ms = timeout == nullptr ? -1 : int(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
    const int r = poll(fds, nfds_t(n), ms);
    if (r < 0) return r;
    if (readfds != nullptr) FD_ZERO(readfds);
    if (writefds != nullptr) FD_ZERO(writefds);
    if (exceptfds != nullptr) FD_ZERO(exceptfds);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const short re = fds[i].revents;
        // An error shows as readable and writable, as select reports it.
        if (readfds != nullptr && (re & (POLLIN | POLLERR | POLLHUP)) && (fds[i].events & POLLIN))
            FD_SET(fds[i].fd, readfds), ++count;
        if (writefds != nullptr && (re & (POLLOUT | POLLERR)) && (fds[i].events & POLLOUT))
            FD_SET(fds[i].fd, writefds), ++count;
        if (exceptfds != nullptr && (re & POLLPRI)) FD_SET(fds[i].fd, exceptfds), ++count;
    }
    return count;
}

}  // extern "C"
