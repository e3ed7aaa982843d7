#include "RawHttp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <chrono>

namespace testsupport {

namespace {

int connectFrom(int port, const std::string& source) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

RawReply parse(const std::string& raw) {
    RawReply r;
    const std::size_t end = raw.find("\r\n\r\n");
    if (raw.compare(0, 5, "HTTP/") != 0 || end == std::string::npos) return r;
    r.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
    std::size_t at = raw.find("\r\n") + 2;
    while (at < end) {
        const std::size_t eol = raw.find("\r\n", at);
        const std::string line = raw.substr(at, eol - at);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            std::size_t v = colon + 1;
            while (v < line.size() && line[v] == ' ') ++v;
            r.headers[name] = line.substr(v);
        }
        at = eol + 2;
    }
    r.body = raw.substr(end + 4);
    return r;
}

}  // namespace

RawReply rawRequest(int port, const std::string& request, const std::string& source,
                    int timeoutMs) {
    const int fd = connectFrom(port, source);
    if (fd < 0) return {};
    std::string raw;
    if (sendAll(fd, request)) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        char buffer[65536];
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            raw.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    return parse(raw);
}

RawReply rawGet(int port, const std::string& target, const std::string& extra,
                const std::string& source) {
    return rawRequest(port,
                      "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
                          extra + "\r\n",
                      source);
}

int halfOpenConnection(int port, const std::string& partial) {
    const int fd = connectFrom(port, "127.0.0.1");
    if (fd >= 0 && !sendAll(fd, partial)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool connectionRefused(int port) {
    const int fd = connectFrom(port, "127.0.0.1");
    if (fd >= 0) ::close(fd);
    return fd < 0;
}

}  // namespace testsupport
