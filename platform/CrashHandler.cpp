#include "CrashHandler.h"

#include "platform/SignalEnd.h"
#include "platform/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kPathMax = 4096;
// The dump path, then its older reports "<path>.1" (the one before) to "<path>.4" (the oldest).
// Written once before the handler is armed: the handler may not format anything.
char g_reportPaths[CrashHandler::kKeptReports][kPathMax];
alignas(16) char g_altStack[64 * 1024];  // so a stack overflow can still be reported

// Async-signal-safe output helpers.
void put(int fd, const char* s) {
    size_t n = std::strlen(s);
    while (n > 0) {
        const ssize_t w = ::write(fd, s, n);
        if (w <= 0) return;
        s += w;
        n -= static_cast<size_t>(w);
    }
}

void putNumber(int fd, unsigned long long v, unsigned base) {
    char buf[32];
    int i = sizeof buf - 1;
    buf[i] = '\0';
    do {
        buf[--i] = "0123456789abcdef"[v % base];
        v /= base;
    } while (v != 0 && i > 0);
    if (base == 16) buf[--i] = 'x', buf[--i] = '0';
    put(fd, buf + i);
}

const char* signalName(int sig) {
    switch (sig) {
        case SIGSEGV: return "SIGSEGV (invalid memory access)";
        case SIGBUS: return "SIGBUS (bus error)";
        case SIGILL: return "SIGILL (illegal instruction)";
        case SIGFPE: return "SIGFPE (arithmetic fault)";
        case SIGABRT: return "SIGABRT (abort)";
        default: return "fatal signal";
    }
}

void copyFile(int out, const char* path) {
    const UniqueFd in(::open(path, O_RDONLY | O_CLOEXEC));
    if (!in) return;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(in.get(), buf, sizeof buf)) > 0) {
        if (::write(out, buf, static_cast<size_t>(n)) != n) break;
    }
}

void writeReport(int fd, int sig, const siginfo_t* info) {
    put(fd, "Ostrely crash report\nsignal: ");
    putNumber(fd, static_cast<unsigned>(sig), 10);
    put(fd, " ");
    put(fd, signalName(sig));
    put(fd, "\ncode: ");
    putNumber(fd, static_cast<unsigned>(info ? info->si_code : 0), 10);
    put(fd, "\naddress: ");
    putNumber(fd, reinterpret_cast<unsigned long long>(info ? info->si_addr : nullptr), 16);
    put(fd, "\nprocess: ");
    putNumber(fd, static_cast<unsigned>(::getpid()), 10);
    put(fd, "\nthread: ");
    putNumber(fd, static_cast<unsigned long long>(::syscall(SYS_gettid)), 10);
    put(fd, "\nstack:\n");
    void* frames[64];
    const int depth = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, depth, fd);
    put(fd, "memory map:\n");
    copyFile(fd, "/proc/self/maps");
}

// Moves each report one age up, dropping the oldest. rename() moves a link itself, so nothing
// planted among the reports is written through.
void rotateReports() {
    constexpr int oldest = CrashHandler::kKeptReports - 1;
    ::unlink(g_reportPaths[oldest]);
    for (int age = oldest - 1; age >= 0; --age)
        ::rename(g_reportPaths[age], g_reportPaths[age + 1]);
}

int createReport() {
    constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::open(g_reportPaths[0], flags, 0600);
    // Whatever kept the last report from moving, this crash's report matters more.
    if (fd < 0 && errno == EEXIST && ::unlink(g_reportPaths[0]) == 0)
        fd = ::open(g_reportPaths[0], flags, 0600);
    return fd;
}

void onFatalSignal(int sig, siginfo_t* info, void*) {
    rotateReports();
    if (const UniqueFd fd(createReport()); fd) writeReport(fd.get(), sig, info);
    put(STDERR_FILENO, "***Unhandled Exception!***\n");
    endBySignal(sig);
}

}  // namespace

bool CrashHandler::install(const QString& dumpPath) {
    const QByteArray path = QFile::encodeName(dumpPath);
    QByteArray names[kKeptReports];
    for (int age = 0; age < kKeptReports; ++age) {
        names[age] = age == 0 ? path : path + '.' + QByteArray::number(age);
        if (path.isEmpty() || names[age].size() >= kPathMax) return false;
    }
    for (int age = 0; age < kKeptReports; ++age)
        std::memcpy(g_reportPaths[age], names[age].constData(),
                    static_cast<size_t>(names[age].size()) + 1);
    QDir().mkpath(QFileInfo(dumpPath).absolutePath());

    void* warmUp[1];
    ::backtrace(warmUp, 1);  // loads the unwinder now: it allocates on first use

    stack_t ss{};
    ss.ss_sp = g_altStack;
    ss.ss_size = sizeof g_altStack;
    ::sigaltstack(&ss, nullptr);

    struct sigaction sa {};
    sa.sa_sigaction = onFatalSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    bool ok = true;
    for (int sig : kSignals) ok = ::sigaction(sig, &sa, nullptr) == 0 && ok;
    return ok;
}

}  // namespace platform
