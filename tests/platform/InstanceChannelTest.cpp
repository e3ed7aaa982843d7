#include "platform/InstanceChannel.h"
#include "platform/MessageIds.h"

#include "tests/support/MessageRecorder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <future>

using platform::InstanceChannel;
using testsupport::MessageRecorder;

namespace {

// A folder closed to everyone else, as the runtime folder is.
struct PrivateDir {
    PrivateDir() { ::chmod(QFile::encodeName(dir.path()).constData(), 0700); }
    testsupport::TempDir dir;
    QString path() const { return dir.path(); }
    QString socket() const { return dir.file(InstanceChannel::kSocketName); }
};

int rawConnect(const QString& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(path);
    std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the channel closed the peer's connection (the peer reads end of file).
bool closedByChannel(int fd) {
    return MessageRecorder::waitUntil([fd] {
        char c;
        return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
    });
}

size_t shows(const MessageRecorder& r) {
    return r.of(msg::kShowInstance).size();
}

}  // namespace

TEST(InstanceChannel, ASecondStartMakesTheRunningOneShowItsView) {
    PrivateDir dir;
    MessageRecorder running;
    InstanceChannel first(dir.path());
    ASSERT_TRUE(first.listen(&running));
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(dir.socket()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The second start waits for the answer, so it talks from its own thread here.
    auto asked = std::async(std::launch::async,
                            [&] { return InstanceChannel::notifyRunningIn(dir.path(), 5000); });
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return shows(running) == 1; }));
    EXPECT_TRUE(asked.get());

    // Another channel in the same folder does not take over a live one.
    MessageRecorder other;
    InstanceChannel second(dir.path());
    EXPECT_FALSE(second.listen(&other));
    EXPECT_TRUE(InstanceChannel::notifyRunningIn(dir.path(), 0));
    ASSERT_TRUE(MessageRecorder::waitUntil([&] { return shows(running) == 2; }));
    EXPECT_EQ(shows(other), 0u);
}

TEST(InstanceChannel, ASocketLeftByAnEndedInstanceIsReplacedAndTheOwnOneRemoved) {
    PrivateDir dir;
    {
        MessageRecorder r;
        InstanceChannel gone(dir.path());
        ASSERT_TRUE(gone.listen(&r));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.socket()));
    EXPECT_FALSE(InstanceChannel::notifyRunningIn(dir.path(), 0));

    // A socket file nobody listens on, as a crash leaves it.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, QFile::encodeName(dir.socket()).constData());
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(stale);
    EXPECT_FALSE(InstanceChannel::notifyRunningIn(dir.path(), 0));
    MessageRecorder r;
    InstanceChannel next(dir.path());
    EXPECT_TRUE(next.listen(&r));
}

TEST(InstanceChannel, PlantedLinksAndSharedFoldersAreRefused) {
    PrivateDir dir;
    PrivateDir elsewhere;
    MessageRecorder r;
    {
        MessageRecorder victim;
        InstanceChannel target(elsewhere.path());
        ASSERT_TRUE(target.listen(&victim));
        ASSERT_TRUE(QFile::link(elsewhere.socket(), dir.socket()));
        InstanceChannel planted(dir.path());
        EXPECT_FALSE(planted.listen(&r));
        EXPECT_FALSE(InstanceChannel::notifyRunningIn(dir.path(), 0));
        QCoreApplication::processEvents();
        EXPECT_EQ(shows(victim), 0u);
        EXPECT_TRUE(QFileInfo(dir.socket()).isSymLink());
    }
    QFile::remove(dir.socket());

    QFile plain(dir.socket());
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_FALSE(InstanceChannel(dir.path()).listen(&r));
    EXPECT_TRUE(QFileInfo::exists(dir.socket()));

    testsupport::TempDir open;
    ::chmod(QFile::encodeName(open.path()).constData(), 0777);
    EXPECT_FALSE(InstanceChannel(open.path()).listen(&r));
    EXPECT_FALSE(InstanceChannel("").listen(&r));
}

TEST(InstanceChannel, BadPeersAreDroppedWithoutAShow) {
    PrivateDir dir;
    MessageRecorder r;
    InstanceChannel channel(dir.path());
    channel.setPeerTimeoutMs(50);
    ASSERT_TRUE(channel.listen(&r));

    const int wrong = rawConnect(dir.socket());
    ASSERT_GE(wrong, 0);
    ::send(wrong, "hide\n", 5, MSG_NOSIGNAL);
    EXPECT_TRUE(closedByChannel(wrong));
    ::close(wrong);

    const int endless = rawConnect(dir.socket());
    const QByteArray flood(InstanceChannel::kMaxRequestBytes + 10, 's');
    ::send(endless, flood.constData(), size_t(flood.size()), MSG_NOSIGNAL);
    EXPECT_TRUE(closedByChannel(endless));
    ::close(endless);

    const int silent = rawConnect(dir.socket());
    EXPECT_TRUE(closedByChannel(silent));
    ::close(silent);

    // A request split over two writes is still one request.
    const int slow = rawConnect(dir.socket());
    ::send(slow, "sh", 2, MSG_NOSIGNAL);
    QCoreApplication::processEvents();
    ::send(slow, "ow\n", 3, MSG_NOSIGNAL);
    EXPECT_TRUE(MessageRecorder::waitUntil([&] { return shows(r) == 1; }));
    ::close(slow);
    QCoreApplication::processEvents();
    EXPECT_EQ(shows(r), 1u);
}

TEST(InstanceChannel, AnotherUsersProcessIsNotHeard) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    PrivateDir dir;
    MessageRecorder r;
    InstanceChannel channel(dir.path());
    ASSERT_TRUE(channel.listen(&r));
    // Open the way, as a careless setup might, so only the peer check stands in between.
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(dir.socket()).constData(), 0666);
    const QByteArray path = QFile::encodeName(dir.socket());
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0) ::_exit(3);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, path.constData());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(4);
        (void)::send(fd, "show\n", 5, MSG_NOSIGNAL);
        char c;
        // The channel closes (or resets) without answering.
        ::_exit(::recv(fd, &c, 1, 0) <= 0 ? 0 : 5);
    }
    int status = 0;
    ASSERT_TRUE(
        MessageRecorder::waitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(shows(r), 0u);
}
