#pragma once
// A file descriptor with one owner, closed when the owner goes. -1 holds nothing.
#include <unistd.h>

#include <utility>

namespace platform {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

    // Gives the descriptor up without closing it.
    int release() { return std::exchange(m_fd, -1); }

    // Closes what is held and takes fd. A close error is lost here: callers that must know
    // (a file's last write) close by hand after release().
    void reset(int fd = -1) {
        const int old = std::exchange(m_fd, fd);
        if (old >= 0 && old != fd) ::close(old);
    }

private:
    int m_fd = -1;
};

}  // namespace platform
