#include "Termination.h"

#include "platform/SignalEnd.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

namespace platform {

namespace {

int g_wakeFd = -1;  // the handler's end of the pair
std::atomic<bool> g_inOrder{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read inside a signal handler");

void onSignal(int sig) {
    if (!g_inOrder.load()) endBySignal(sig);
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_wakeFd, &byte, 1);
}

}  // namespace

void quitInOrderFromNow() {
    g_inOrder.store(true);
}

bool quitOnTermination(std::function<void()> quit) {
    int fds[2];
    if (g_wakeFd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    g_wakeFd = fds[0];
    auto* notifier =
        new QSocketNotifier(fds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [fd = fds[1], quit = std::move(quit)] {
        char buf[16];
        while (::read(fd, buf, sizeof buf) > 0) {
        }
        quit();
    });
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &sa, nullptr);
    return true;
}

}  // namespace platform
