// The board's control socket under awkward clients: silent, trickling, not reading its reply,
// too many at once, still connected when the server stops.
#include "platform/hid/SimBoardServer.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TempDir.h"

#include <QByteArray>
#include <QFile>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace platform::hid;
using namespace std::chrono_literals;

namespace {

// Generous real-time bound for things that should happen at once; never a measure of speed.
constexpr int kPatienceMs = 20000;
constexpr int kBigReply = 8 << 20;  // far more than a socket buffer holds

// One raw connection to the socket, driven byte by byte as an awkward client would.
class RawClient {
public:
    explicit RawClient(const QString& path) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray p = path.toLocal8Bit();
        std::memcpy(addr.sun_path, p.constData(), static_cast<size_t>(p.size()));
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) close();
    }
    ~RawClient() { close(); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    bool send(const QByteArray& bytes) {
        return ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL) ==
               bytes.size();
    }
    void endInput() { ::shutdown(m_fd, SHUT_WR); }
    void close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    // Nothing to read and not hung up on: the server still waits for this client.
    bool stillWaiting() const {
        pollfd p{m_fd, POLLIN | POLLRDHUP, 0};
        return ::poll(&p, 1, 0) == 0;
    }
    // The server has closed its end (whatever is still unread).
    bool hungUpOn(int timeoutMs) const {
        pollfd p{m_fd, POLLRDHUP, 0};
        return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & (POLLRDHUP | POLLHUP));
    }
    bool readable(int timeoutMs) const {
        pollfd p{m_fd, POLLIN, 0};
        return ::poll(&p, 1, timeoutMs) == 1;
    }

    // Everything up to the server's close; cleanEnd false for a reset or when it never ended.
    QByteArray readAll(bool* cleanEnd = nullptr) {
        QByteArray in;
        bool clean = false;
        char buf[65536];
        while (readable(kPatienceMs)) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            clean = n == 0;
            if (n <= 0) break;
            in.append(buf, n);
        }
        if (cleanEnd != nullptr) *cleanEnd = clean;
        return in;
    }

private:
    int m_fd = -1;
};

QString answer(const QString& line) {
    if (line == QLatin1String("big")) return QString(kBigReply, 'x');
    return "ok " + line;
}

class SimBoardServerTest : public ::testing::Test {
protected:
    // A time-out far beyond anything the test waits for, so "still open" means "not timed out".
    void start(SimBoardLimits limits = {60s, 32}) {
        server = std::make_unique<SimBoardServer>(socket, answer, limits);
        QString error;
        ASSERT_TRUE(server->listen(&error)) << qPrintable(error);
    }
    QByteArray ask(const QByteArray& line) {
        RawClient c(socket);
        EXPECT_TRUE(c.connected());
        c.send(line);
        return c.readAll();
    }

    testsupport::TempDir dir;
    const QString socket = dir.file("board.sock");
    std::unique_ptr<SimBoardServer> server;
};

TEST_F(SimBoardServerTest, SilentAndTricklingClientsDoNotHoldUpAnother) {
    start();
    RawClient silent(socket);
    RawClient trickling(socket);
    ASSERT_TRUE(silent.connected() && trickling.connected());
    ASSERT_TRUE(trickling.send("pr"));

    EXPECT_EQ(ask("list\n"), "ok list\n");
    ASSERT_TRUE(trickling.send("e"));
    EXPECT_EQ(ask("key 8\n"), "ok key 8\n");
    EXPECT_TRUE(silent.stillWaiting());
    EXPECT_TRUE(trickling.stillWaiting());

    // The trickled line is kept whole across the others' requests.
    ASSERT_TRUE(trickling.send("ss 3\n"));
    EXPECT_EQ(trickling.readAll(), "ok press 3\n");
    EXPECT_TRUE(silent.stillWaiting());
}

TEST_F(SimBoardServerTest, OneDeadlineForTheWholeRequest) {
    start({200ms, 32});
    RawClient silent(socket);
    RawClient trickling(socket);
    // A byte now and then never earns more time; the 16 KiB line limit is far off.
    bool cutOff = false;
    for (int i = 0; i < 2000 && !cutOff; ++i) {
        trickling.send("x");
        std::this_thread::sleep_for(5ms);
        cutOff = trickling.hungUpOn(0);
    }
    EXPECT_TRUE(cutOff);
    EXPECT_EQ(trickling.readAll(), "error: no command\n");
    EXPECT_EQ(silent.readAll(), "error: no command\n");
}

TEST_F(SimBoardServerTest, ClientThatDoesNotReadItsReplyHoldsUpNoOne) {
    start();
    RawClient greedy(socket);
    ASSERT_TRUE(greedy.send("big\n"));
    ASSERT_TRUE(greedy.readable(kPatienceMs));  // its reply has begun and fills the socket
    EXPECT_EQ(ask("list\n"), "ok list\n");
    EXPECT_FALSE(greedy.hungUpOn(0));
    EXPECT_EQ(greedy.readAll().size(), kBigReply + 1);  // all of it once it reads
}

TEST_F(SimBoardServerTest, ReplyNotTakenInTimeIsDropped) {
    start({200ms, 32});
    RawClient greedy(socket);
    ASSERT_TRUE(greedy.send("big\n"));
    ASSERT_TRUE(greedy.hungUpOn(kPatienceMs));
    const QByteArray got = greedy.readAll();
    EXPECT_GT(got.size(), 0);
    EXPECT_LT(got.size(), kBigReply);
    EXPECT_EQ(ask("list\n"), "ok list\n");
}

TEST_F(SimBoardServerTest, ClientsBeyondTheCapAreRefusedAsBusy) {
    start({60s, 3});
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) held.push_back(std::make_unique<RawClient>(socket));
    bool clean = false;
    RawClient extra(socket);
    EXPECT_EQ(extra.readAll(&clean), "error: busy\n");
    EXPECT_TRUE(clean);
    for (const auto& c : held) EXPECT_TRUE(c->stillWaiting());

    // Those held are still served, and a place that comes free (answered or hung up) is taken
    // at once.
    ASSERT_TRUE(held[0]->send("list\n"));
    EXPECT_EQ(held[0]->readAll(), "ok list\n");
    EXPECT_EQ(ask("key 1\n"), "ok key 1\n");
    held.push_back(std::make_unique<RawClient>(socket));
    EXPECT_EQ(ask("key 2\n"), "error: busy\n");
    held[1]->close();
    EXPECT_EQ(ask("key 3\n"), "ok key 3\n");
    EXPECT_TRUE(held[2]->stillWaiting());
    EXPECT_TRUE(held[3]->stillWaiting());
}

TEST_F(SimBoardServerTest, LineProtocolIsKept) {
    start();
    RawClient unterminated(socket);
    unterminated.send("list");
    unterminated.endInput();
    EXPECT_EQ(unterminated.readAll(), "ok list\n");

    RawClient empty(socket);
    empty.endInput();
    EXPECT_EQ(empty.readAll(), "error: no command\n");

    EXPECT_EQ(ask(QByteArray(16384, 'a')), "error: no command\n");
    EXPECT_EQ(ask("  key 4 \r\n"), "ok key 4\n");

    // Bytes after the line are dropped without turning the reply's end into a reset.
    RawClient chatty(socket);
    chatty.send("list\n" + QByteArray(8192, 'j'));
    bool clean = false;
    EXPECT_EQ(chatty.readAll(&clean), "ok list\n");
    EXPECT_TRUE(clean);
}

TEST_F(SimBoardServerTest, StopsWithClientsConnected) {
    start();
    RawClient silent(socket), partial(socket), greedy(socket);
    partial.send("ke");
    greedy.send("big\n");
    ASSERT_TRUE(greedy.readable(kPatienceMs));
    server.reset();
    EXPECT_TRUE(silent.hungUpOn(0));
    EXPECT_TRUE(partial.hungUpOn(0));
    EXPECT_TRUE(greedy.hungUpOn(0));
    EXPECT_FALSE(QFile::exists(socket));
}

TEST_F(SimBoardServerTest, OtherUsersAreRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
    start();
    // Open the way as the moment between bind and chmod would; the peer check must hold alone.
    ::chmod(dir.path().toLocal8Bit().constData(), 0711);
    ::chmod(socket.toLocal8Bit().constData(), 0666);
    QByteArray got;
    bool reached = false;
    std::thread other([&] {
        // Only this thread takes the other identity: the raw call skips glibc's process-wide
        // broadcast, so the rest of the test keeps running as root.
        if (::syscall(SYS_setresuid, -1, 65534, -1) != 0) return;
        RawClient c(socket);
        reached = c.connected();
        if (!reached) return;
        c.send("key 8\n");
        got = c.readAll();
    });
    other.join();
    if (!reached) GTEST_SKIP() << "the temporary folder's parents are closed to other users";
    EXPECT_EQ(got, "error: not allowed\n");
}

}  // namespace
