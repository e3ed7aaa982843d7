#include "SimBoardServer.h"

#include "platform/Folders.h"
#include "platform/Log.h"

#include <QByteArray>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

namespace platform::hid {

namespace {

using Clock = std::chrono::steady_clock;

constexpr qsizetype kMaxLine = 16384;
// When accept fails for want of descriptors the pending connection stays queued; the listening
// socket rests this long instead of waking the loop again at once.
constexpr std::chrono::milliseconds kAcceptRest{100};

struct Client {
    UniqueFd fd;
    QByteArray in;  // the command line so far
    QByteArray out;
    qsizetype sent = 0;
    bool replying = false;
    Clock::time_point deadline;
};

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

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

// A fresh connection's send buffer is empty, so one short line goes out without waiting.
void refuse(const UniqueFd& fd, const char* line) {
    [[maybe_unused]] const ssize_t n =
        ::send(fd.get(), line, std::strlen(line), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void drop(Client& c) {
    // Input left unread would turn the client's end of the reply into a connection reset.
    char scratch[4096];
    for (int i = 0; i < 16; ++i) {
        if (::recv(c.fd.get(), scratch, sizeof scratch, MSG_DONTWAIT) <= 0) break;
    }
    c.fd.reset();
}

// Sends what the socket takes now; drops the client once the reply is out or cannot go.
void flush(Client& c) {
    while (c.sent < c.out.size()) {
        const ssize_t n =
            ::send(c.fd.get(), c.out.constData() + c.sent,
                   static_cast<size_t>(c.out.size() - c.sent), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && wouldBlock()) return;
        if (n <= 0) break;
        c.sent += n;
    }
    drop(c);
}

void reply(Client& c, QString text, Clock::time_point deadline) {
    if (!text.endsWith('\n')) text += '\n';
    c.out = text.toUtf8();
    c.in.clear();
    c.replying = true;
    c.deadline = deadline;
    flush(c);
}

// Takes what the client has sent; a whole line (or the end of its input) goes to the handler.
void receive(Client& c, const SimBoardServer::Handler& handler, Clock::time_point replyDeadline) {
    char buf[4096];
    const size_t room = static_cast<size_t>(kMaxLine - c.in.size());
    const ssize_t n = ::recv(c.fd.get(), buf, std::min(sizeof buf, room), MSG_DONTWAIT);
    if (n < 0) {
        if (!wouldBlock()) drop(c);
        return;
    }
    if (n == 0) {
        if (c.in.isEmpty()) return reply(c, QStringLiteral("error: no command"), replyDeadline);
        return reply(c, handler(QString::fromUtf8(c.in).trimmed()), replyDeadline);
    }
    const qsizetype searchFrom = c.in.size();
    c.in.append(buf, static_cast<qsizetype>(n));
    const qsizetype nl = c.in.indexOf('\n', searchFrom);
    if (nl >= 0) {
        c.in.truncate(nl);
        return reply(c, handler(QString::fromUtf8(c.in).trimmed()), replyDeadline);
    }
    if (c.in.size() >= kMaxLine) reply(c, QStringLiteral("error: no command"), replyDeadline);
}

int pollTimeoutMs(const std::vector<Client>& clients, Clock::time_point listenRestsUntil,
                  Clock::time_point now) {
    std::optional<Clock::time_point> next;
    if (listenRestsUntil > now) next = listenRestsUntil;
    for (const Client& c : clients) {
        if (!next || c.deadline < *next) next = c.deadline;
    }
    if (!next) return -1;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
    return static_cast<int>(std::clamp<decltype(ms)>(ms, 0, std::numeric_limits<int>::max()));
}

}  // namespace

SimBoardServer::SimBoardServer(QString socketPath, Handler handler, SimBoardLimits limits)
    : m_path(std::move(socketPath)),
      m_handler(std::move(handler)),
      m_limits(limits),
      m_thread(log::board(), QStringLiteral("The simulated boards' server")) {}

SimBoardServer::~SimBoardServer() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd.get(), &one, sizeof one);
        m_thread.join();
        ::unlink(m_path.toLocal8Bit().constData());
    }
    // Only now that the thread polling them has ended.
    m_listenFd.reset();
    m_stopFd.reset();
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
    const UniqueFd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const bool inUse =
        probe && ::connect(probe.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
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
    m_listenFd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    m_stopFd.reset(::eventfd(0, EFD_CLOEXEC));
    const bool bound = m_listenFd && ::bind(m_listenFd.get(), reinterpret_cast<sockaddr*>(&addr),
                                            sizeof addr) == 0;
    // Owner-only whatever folder it lands in; the peer check on every connection covers the
    // moment before this (umask is the whole process's, so it is left alone).
    if (bound) ::chmod(m_path.toLocal8Bit().constData(), 0600);
    if (!bound || !m_stopFd || ::listen(m_listenFd.get(), 8) != 0) {
        *error = QStringLiteral("cannot listen on %1: %2")
                     .arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_thread.start([this] { run(); }, {}, WorkerThread::Priority::Normal);
    return true;
}

void SimBoardServer::run() {
    std::vector<Client> clients;
    std::vector<pollfd> fds;
    Clock::time_point listenRestsUntil;
    for (;;) {
        Clock::time_point now = Clock::now();
        for (Client& c : clients) {
            if (now < c.deadline) continue;
            if (c.replying)
                drop(c);
            else
                reply(c, QStringLiteral("error: no command"), now + m_limits.requestTimeout);
        }
        std::erase_if(clients, [](const Client& c) { return !c.fd; });

        fds.clear();
        fds.push_back({m_stopFd.get(), POLLIN, 0});
        fds.push_back({now < listenRestsUntil ? -1 : m_listenFd.get(), POLLIN, 0});
        for (const Client& c : clients)
            fds.push_back({c.fd.get(), static_cast<short>(c.replying ? POLLOUT : POLLIN), 0});
        if (::poll(fds.data(), fds.size(), pollTimeoutMs(clients, listenRestsUntil, now)) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents != 0) break;

        now = Clock::now();
        for (size_t i = 0; i < clients.size(); ++i) {
            Client& c = clients[i];
            if (fds[i + 2].revents == 0) continue;
            if (c.replying)
                flush(c);
            else
                receive(c, m_handler, now + m_limits.requestTimeout);
        }
        // Finished clients go before a new one comes, so a freed place is free at once. One
        // connection a round: every hang-up that happened before it is seen by the same poll.
        std::erase_if(clients, [](const Client& c) { return !c.fd; });

        if (!(fds[1].revents & POLLIN)) continue;
        UniqueFd fd(::accept4(m_listenFd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                listenRestsUntil = now + kAcceptRest;
        } else if (!peerIsThisUser(fd.get())) {
            refuse(fd, "error: not allowed\n");
        } else if (static_cast<int>(clients.size()) >= m_limits.maxClients) {
            refuse(fd, "error: busy\n");
        } else {
            clients.push_back({std::move(fd), {}, {}, 0, false, now + m_limits.requestTimeout});
        }
    }
}

}  // namespace platform::hid
