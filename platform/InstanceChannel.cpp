#include "InstanceChannel.h"

#include "Folders.h"
#include "MessageIds.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

const QByteArray kShowRequest = "show\n";
const QByteArray kShownReply = "ok\n";

bool socketAddress(const QString& path, sockaddr_un& addr) {
    const QByteArray bytes = QFile::encodeName(path);
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (bytes.isEmpty() || size_t(bytes.size()) >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, bytes.constData(), size_t(bytes.size()));
    return true;
}

enum class PathState { Missing, OurSocket, Foreign };

PathState stateOf(const QString& path, struct stat* st = nullptr) {
    struct stat s {};
    if (::lstat(QFile::encodeName(path).constData(), &s) != 0)
        return errno == ENOENT ? PathState::Missing : PathState::Foreign;
    if (st) *st = s;
    return S_ISSOCK(s.st_mode) && s.st_uid == ::getuid() ? PathState::OurSocket
                                                         : PathState::Foreign;
}

bool peerIsThisUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 && len == sizeof cred &&
           cred.uid == ::getuid();
}

// Connects without blocking on a full backlog; nothing when nobody listens at path.
UniqueFd connectTo(const QString& path) {
    sockaddr_un addr;
    if (!socketAddress(path, addr)) return {};
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return {};
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return {};
    return fd;
}

bool waitFor(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    int r;
    do r = ::poll(&p, 1, ms);
    while (r < 0 && errno == EINTR);
    return r == 1 && (p.revents & events);
}

}  // namespace

InstanceChannel::InstanceChannel(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)) {}

InstanceChannel::~InstanceChannel() {
    for (auto& [fd, peer] : m_peers) {
        delete peer.notifier;
        delete peer.timer;
        peer.fd.reset();
    }
    if (!m_fd) return;
    delete m_listener;
    m_fd.reset();
    struct stat st {};
    if (stateOf(socketPath(), &st) == PathState::OurSocket && st.st_ino == m_inode)
        ::unlink(QFile::encodeName(socketPath()).constData());
}

QString InstanceChannel::defaultFolder() {
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (!runtime.isEmpty() && isPrivateFolder(runtime)) return runtime;
    return userTempFolder();
}

QString InstanceChannel::socketPath() const {
    return m_folder + '/' + QLatin1String(kSocketName);
}

bool InstanceChannel::listen(QObject* receiver) {
    if (m_fd || m_folder.isEmpty() || !isPrivateFolder(m_folder)) return false;
    const QString path = socketPath();
    sockaddr_un addr;
    if (!socketAddress(path, addr)) return false;
    switch (stateOf(path)) {
        case PathState::Foreign: return false;
        case PathState::OurSocket: {
            // Left by an instance that died, unless someone still answers on it.
            if (connectTo(path)) return false;
            ::unlink(addr.sun_path);
            break;
        }
        case PathState::Missing: break;
    }
    UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const int fd = socket.get();
    if (!socket) return false;
    struct stat st {};
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::chmod(addr.sun_path, 0600) != 0 || ::listen(fd, kMaxPeers) != 0 ||
        stateOf(path, &st) != PathState::OurSocket)
        return false;
    m_fd = std::move(socket);
    m_inode = st.st_ino;
    m_receiver = receiver;
    m_listener = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listener, &QSocketNotifier::activated, this, [this] { acceptPeers(); });
    return true;
}

void InstanceChannel::acceptPeers() {
    for (;;) {
        UniqueFd accepted(::accept4(m_fd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        const int fd = accepted.get();
        if (!accepted) return;
        if (!peerIsThisUser(fd) || m_peers.size() >= size_t(kMaxPeers)) continue;
        Peer& peer = m_peers[fd];
        peer.fd = std::move(accepted);
        peer.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(peer.notifier, &QSocketNotifier::activated, this, [this, fd] { readPeer(fd); });
        peer.timer = new QTimer(this);
        peer.timer->setSingleShot(true);
        connect(peer.timer, &QTimer::timeout, this, [this, fd] { dropPeer(fd); });
        peer.timer->start(m_peerTimeoutMs);
    }
}

void InstanceChannel::readPeer(int fd) {
    auto it = m_peers.find(fd);
    if (it == m_peers.end()) return;
    char buf[kMaxRequestBytes];
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        dropPeer(fd);
        return;
    }
    QByteArray& request = it->second.request;
    request.append(buf, n);
    const qsizetype end = request.indexOf('\n');
    if (end >= 0) {
        answer(fd, request.left(end + 1));
        dropPeer(fd);
    } else if (request.size() >= kMaxRequestBytes) {
        dropPeer(fd);
    }
}

void InstanceChannel::answer(int fd, const QByteArray& request) {
    if (request != kShowRequest) return;
    if (m_receiver) postMessage(m_receiver, msg::kShowInstance, 0, 0);
    // The reply is small and the socket new: it fits its buffer, or the peer is gone.
    (void)::send(fd, kShownReply.constData(), size_t(kShownReply.size()), MSG_NOSIGNAL);
}

void InstanceChannel::dropPeer(int fd) {
    auto it = m_peers.find(fd);
    if (it == m_peers.end()) return;
    // Called from the notifier's and the timer's own signals: delete them once they return.
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
    it->second.timer->stop();
    it->second.timer->deleteLater();
    m_peers.erase(it);
}

bool InstanceChannel::notifyRunning(int replyWaitMs) {
    return notifyRunningIn(defaultFolder(), replyWaitMs);
}

bool InstanceChannel::notifyRunningIn(const QString& folder, int replyWaitMs) {
    if (folder.isEmpty() || !isPrivateFolder(folder)) return false;
    const QString path = folder + '/' + QLatin1String(kSocketName);
    if (stateOf(path) != PathState::OurSocket) return false;
    const UniqueFd connection = connectTo(path);
    const int fd = connection.get();
    if (!connection) return false;
    bool ok = peerIsThisUser(fd) && waitFor(fd, POLLOUT, 1000) &&
              ::send(fd, kShowRequest.constData(), size_t(kShowRequest.size()), MSG_NOSIGNAL) ==
                  kShowRequest.size();
    if (ok && replyWaitMs > 0) {
        char reply[8] = {};
        ok = waitFor(fd, POLLIN, replyWaitMs) &&
             ::recv(fd, reply, sizeof reply, 0) == kShownReply.size() &&
             QByteArray(reply, int(kShownReply.size())) == kShownReply;
    }
    return ok;
}

}  // namespace platform
