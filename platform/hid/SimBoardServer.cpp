#include "SimBoardServer.h"

#include "platform/Folders.h"

#include <QByteArray>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::hid {

namespace {

constexpr int kMaxLine = 16384;
constexpr int kClientTimeoutMs = 2000;

bool fillAddress(const QString& path, sockaddr_un& addr) {
    const QByteArray bytes = path.toLocal8Bit();
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (bytes.isEmpty() || static_cast<size_t>(bytes.size()) >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, bytes.constData(), static_cast<size_t>(bytes.size()));
    return true;
}

bool peerIsThisUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

// Reads up to the first newline or the end, giving up on a silent or endless client.
bool readLine(int fd, QByteArray& line) {
    char buf[512];
    while (line.size() < kMaxLine) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kClientTimeoutMs) <= 0) return false;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return !line.isEmpty();
        line.append(buf, static_cast<int>(n));
        const int nl = line.indexOf('\n');
        if (nl >= 0) {
            line.truncate(nl);
            return true;
        }
    }
    return false;
}

void writeAll(int fd, const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(fd, data.constData() + done,
                                 static_cast<size_t>(data.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += n;
    }
}

}  // namespace

SimBoardServer::SimBoardServer(QString socketPath, Handler handler)
    : m_path(std::move(socketPath)), m_handler(std::move(handler)) {}

SimBoardServer::~SimBoardServer() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
        ::unlink(m_path.toLocal8Bit().constData());
    }
    if (m_listenFd >= 0) ::close(m_listenFd);
    if (m_stopFd >= 0) ::close(m_stopFd);
}

QString SimBoardServer::defaultSocketPath() {
    const QString explicitPath = qEnvironmentVariable("OSTRELY_BOARD_SOCKET");
    if (!explicitPath.isEmpty()) return explicitPath;
    const QString folder = platform::userTempFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/board.sock");
}

bool SimBoardServer::removeStaleSocket(QString* error) {
    const QByteArray path = m_path.toLocal8Bit();
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return true;
    if (!S_ISSOCK(st.st_mode)) {
        *error = QStringLiteral("%1 exists and is not a socket").arg(m_path);
        return false;
    }
    sockaddr_un addr{};
    fillAddress(m_path, addr);
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool inUse =
        probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (probe >= 0) ::close(probe);
    if (inUse) {
        *error = QStringLiteral("another simulated board already listens on %1").arg(m_path);
        return false;
    }
    ::unlink(path.constData());
    return true;
}

bool SimBoardServer::listen(QString* error) {
    QString ignored;
    if (error == nullptr) error = &ignored;
    sockaddr_un addr{};
    if (!fillAddress(m_path, addr)) {
        *error = QStringLiteral("no usable socket path");
        return false;
    }
    if (m_thread.joinable() || !removeStaleSocket(error)) return false;
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC);
    const bool bound =
        m_listenFd >= 0 && ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    // Owner-only whatever folder it lands in; the peer check on every connection covers the
    // moment before this (umask is the whole process's, so it is left alone).
    if (bound) ::chmod(m_path.toLocal8Bit().constData(), 0600);
    if (!bound || m_stopFd < 0 || ::listen(m_listenFd, 8) != 0) {
        *error = QStringLiteral("cannot listen on %1: %2")
                     .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void SimBoardServer::run() {
    pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        serve(fd);
        ::close(fd);
    }
}

void SimBoardServer::serve(int fd) {
    if (!peerIsThisUser(fd)) {
        writeAll(fd, "error: not allowed\n");
        return;
    }
    QByteArray line;
    if (!readLine(fd, line)) {
        writeAll(fd, "error: no command\n");
        return;
    }
    QString reply = m_handler(QString::fromUtf8(line).trimmed());
    if (!reply.endsWith('\n')) reply += '\n';
    writeAll(fd, reply.toUtf8());
}

}  // namespace platform::hid
