#include "platform/UniqueFd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using platform::UniqueFd;

namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// A pipe's two ends, each closed by the test itself or by the owner it is given to.
struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
    int fds[2] = {-1, -1};
};

TEST(UniqueFdTest, ClosesOnceWhenItsOwnerGoes) {
    Pipe p;
    {
        const UniqueFd fd(p.fds[0]);
        EXPECT_TRUE(fd);
        EXPECT_EQ(fd.get(), p.fds[0]);
    }
    EXPECT_FALSE(isOpen(p.fds[0]));
    EXPECT_TRUE(isOpen(p.fds[1]));
    ::close(p.fds[1]);
    EXPECT_FALSE(UniqueFd());
    EXPECT_FALSE(UniqueFd(-1));
}

TEST(UniqueFdTest, MovesHandOwnershipOverAndCloseWhatWasHeld) {
    Pipe p;
    UniqueFd a(p.fds[0]);
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a);  // NOLINT(bugprone-use-after-move): the moved-from state is the point
    EXPECT_EQ(b.get(), p.fds[0]);
    UniqueFd c(p.fds[1]);
    c = std::move(b);  // c's own end closes
    EXPECT_FALSE(isOpen(p.fds[1]));
    EXPECT_TRUE(isOpen(p.fds[0]));
    UniqueFd& same = c;
    c = std::move(same);  // moving onto itself keeps it
    EXPECT_TRUE(isOpen(p.fds[0]));
    EXPECT_EQ(c.get(), p.fds[0]);
}

TEST(UniqueFdTest, ReleaseKeepsItOpenAndResetClosesOrSwaps) {
    Pipe p;
    UniqueFd fd(p.fds[0]);
    EXPECT_EQ(fd.release(), p.fds[0]);
    EXPECT_FALSE(fd);
    EXPECT_TRUE(isOpen(p.fds[0]));
    fd.reset(p.fds[0]);
    fd.reset(p.fds[0]);  // the same descriptor again is not closed under itself
    EXPECT_TRUE(isOpen(p.fds[0]));
    fd.reset(p.fds[1]);
    EXPECT_FALSE(isOpen(p.fds[0]));
    fd.reset();
    EXPECT_FALSE(isOpen(p.fds[1]));
    EXPECT_FALSE(fd);
}

}  // namespace
