#pragma once
#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace platform {

// A started program that can be waited for. Not copyable; a child not waited for is reaped later.
class ChildProcess {
public:
    static constexpr int kNoExitCode = -1;

    // Starts file with the arguments (no shell). Trailing blanks of file are ignored, as the
    // Windows shell ignores them. Check started().
    ChildProcess(const QString& file, const QStringList& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Why it did not start (an errno value); 0 when it did.
    int startError() const { return m_startError; }
    // True once waitForExit has seen it end, by exit or by a signal.
    bool ended() const { return m_reaped; }
    pid_t pid() const { return m_pid; }

    // Waits at most timeoutMs (negative: no limit). The exit code, or kNoExitCode when the
    // program did not start, did not end in time, or was killed by a signal.
    int waitForExit(int timeoutMs);
    // Ends the program at once if it still runs, and reaps it.
    void kill();

private:
    pid_t m_pid = -1;
    int m_exitCode = kNoExitCode;
    int m_startError = 0;
    bool m_reaped = false;
};

// The id of the first running process of this user (lowest id) whose executable file name is
// exactly name; 0 when there is none. Looks at the executable link and, where that is not readable
// or names a loader, at the first command-line word (either path separator).
pid_t findProcessByName(const QString& name);

}  // namespace platform
