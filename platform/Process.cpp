#include "Process.h"

#include "UniqueFd.h"

#include <QDir>
#include <QFile>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

extern char** environ;

namespace platform {

namespace {

QString baseName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1);
}

QString exeName(const QString& pidDir) {
    char buf[PATH_MAX];
    const QByteArray link = QFile::encodeName(pidDir + "/exe");
    const ssize_t n = ::readlink(link.constData(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    QString target = QFile::decodeName(QByteArray(buf, static_cast<int>(n)));
    if (target.endsWith(" (deleted)")) target.chop(10);
    return baseName(target);
}

// Another user's process is none of ours: a look-alike started by someone else must not make
// this user's program hand its pictures over.
bool ownedByUser(const QString& pidDir, uid_t uid) {
    struct stat st {};
    return ::stat(QFile::encodeName(pidDir).constData(), &st) == 0 && st.st_uid == uid;
}

QString firstWordName(const QString& pidDir) {
    QFile f(pidDir + "/cmdline");
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.read(4096);
    return baseName(QString::fromLocal8Bit(all.left(all.indexOf('\0'))));
}

// The exit status once the child has ended, waiting at most timeoutMs.
bool waitPid(pid_t pid, int timeoutMs, int& status) {
    const UniqueFd pidfd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (pidfd) {
        pollfd p{pidfd.get(), POLLIN, 0};
        int r;
        do r = ::poll(&p, 1, timeoutMs);
        while (r < 0 && errno == EINTR);
        if (r == 0) return false;
        return ::waitpid(pid, &status, 0) == pid;
    }
    // Kernels without pidfd: poll the child.
    for (int waited = 0;; waited += 5) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return true;
        if (r < 0 || (timeoutMs >= 0 && waited >= timeoutMs)) return false;
        ::usleep(5000);
    }
}

}  // namespace

ChildProcess::ChildProcess(const QString& file, const QStringList& arguments) {
    QString path = file;
    while (path.endsWith(' ')) path.chop(1);
    const QByteArray program = QFile::encodeName(path);
    std::vector<QByteArray> args{program};
    for (const QString& a : arguments) args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    m_startError = ::posix_spawn(&pid, program.constData(), nullptr, nullptr, argv.data(), environ);
    if (m_startError == 0) m_pid = pid;
}

ChildProcess::~ChildProcess() {
    // Reap in the background only if it already ended; a running child is left to run.
    if (started() && !m_reaped) {
        int status = 0;
        ::waitpid(m_pid, &status, WNOHANG);
    }
}

int ChildProcess::waitForExit(int timeoutMs) {
    if (!started()) return kNoExitCode;
    if (m_reaped) return m_exitCode;
    int status = 0;
    if (!waitPid(m_pid, timeoutMs, status)) return kNoExitCode;
    m_reaped = true;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : kNoExitCode;
    return m_exitCode;
}

void ChildProcess::kill() {
    if (!started() || m_reaped) return;
    ::kill(m_pid, SIGKILL);
    waitForExit(-1);
}

pid_t findProcessByName(const QString& name) {
    if (name.isEmpty()) return 0;
    pid_t best = 0;
    const uid_t uid = ::getuid();
    const QDir proc("/proc");
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (!numeric || pid <= 0 || (best != 0 && pid >= best)) continue;
        const QString dir = "/proc/" + entry;
        if (!ownedByUser(dir, uid)) continue;
        if (exeName(dir) == name || firstWordName(dir) == name) best = pid;
    }
    return best;
}

}  // namespace platform
