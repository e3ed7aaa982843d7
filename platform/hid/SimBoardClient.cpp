#include "SimBoardClient.h"

#include "platform/UniqueFd.h"

#include <QByteArray>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::hid {

namespace {

constexpr int kReplyTimeoutMs = 5000;

QString lastError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

bool SimBoardClient::request(const QString& line, QString* reply, QString* error) const {
    const QByteArray path = m_path.toLocal8Bit();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof addr.sun_path) {
        *error = QStringLiteral("no usable socket path");
        return false;
    }
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int fd = socket.get();
    if (!socket || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        *error =
            QStringLiteral("cannot reach the simulated board at %1: %2").arg(m_path, lastError());
        return false;
    }
    const QByteArray out = line.toUtf8() + '\n';
    bool ok =
        ::send(fd, out.constData(), static_cast<size_t>(out.size()), MSG_NOSIGNAL) == out.size();
    ::shutdown(fd, SHUT_WR);
    QByteArray in;
    char buf[1024];
    while (ok) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kReplyTimeoutMs) <= 0) {
            ok = false;
            break;
        }
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        in.append(buf, static_cast<int>(n));
    }
    if (!ok) {
        *error = QStringLiteral("no answer from the simulated board");
        return false;
    }
    *reply = QString::fromUtf8(in);
    return true;
}

}  // namespace platform::hid
