#pragma once
// When the X server or the Wayland compositor goes away (a log-out that sends no signal, a
// crashed display server), Qt ends the process with exit(1) from inside its event handling: no
// window closes, no board hears that we leave, and the static destructors then tear Qt down
// under live windows and threads. While a guard lives, Qt's warning just before that exit (or
// else the exit itself) first closes in order on the user-interface thread, then ends the
// process at once with status 0 (the session is over; nothing failed). By the exit alone it may
// be late: static destructors registered after the guard have already run.
#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

namespace platform {

class CallSink;

class ExitGuard {
public:
    explicit ExitGuard(std::function<void()> closeInOrder);
    ~ExitGuard();
    ExitGuard(const ExitGuard&) = delete;
    ExitGuard& operator=(const ExitGuard&) = delete;

    // How long a thread that found the loss waits for the user-interface thread to end the
    // process.
    static constexpr int kHandOverMs = 20000;

    // What the exit handler does; public for the tests, which must not end their process.
    bool closeIfArmed();
    // From another thread: closeAndEnd queued for the user-interface thread.
    void handOver(void (*closeAndEnd)());
    // Qt's last word before it ends the process for a lost X server or compositor.
    static bool isWindowSystemLoss(QtMsgType type, const QString& text);

private:
    std::function<void()> m_close;
    std::unique_ptr<CallSink> m_sink;
    bool m_closedHere = false;
};

}  // namespace platform
