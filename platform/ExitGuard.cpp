#include "ExitGuard.h"

#include "platform/CallSink.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// An exit handler takes no argument: the one living guard is where it finds its work. Read
// also by Qt's Wayland thread.
std::atomic<ExitGuard*> g_guard{nullptr};
bool g_registered = false;
// The orderly close runs on the user-interface thread; Qt's Wayland thread, finding the loss
// again meanwhile, must wait for it instead of ending the process under it.
std::atomic<bool> g_closing{false};
std::mutex g_closeMutex;
std::condition_variable g_closeEnded;
bool g_released = false;  // under g_closeMutex

// Like the exit handler, the message hook stays for the process; without a guard it only passes on.
bool g_hooked = false;
QtMessageHandler g_previous = nullptr;

// Holds a thread that found the loss while the user-interface thread closes in order and ends
// the process, until the hand-over time is up or the guard that closed ends (only in tests).
void holdForTheClose() {
    std::unique_lock lock(g_closeMutex);
    g_closeEnded.wait_for(lock, std::chrono::milliseconds(ExitGuard::kHandOverMs),
                          [] { return g_released; });
}

void closeAndEnd() {
    ExitGuard* guard = g_guard.load();
    if (guard == nullptr || !guard->closeIfArmed()) return;
    std::fflush(nullptr);
    ::_exit(0);
}

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (g_previous != nullptr)
        g_previous(type, context, text);
    else if (context.category != nullptr && std::strcmp(context.category, "default") != 0)
        std::fprintf(stderr, "%s: %s\n", context.category, qPrintable(text));
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
    if (!ExitGuard::isWindowSystemLoss(type, text)) return;
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        // Found again by a window the close itself tears down: the boards, captures and
        // cameras went first; what is left are windows of a display that is gone.
        if (g_closing) {
            std::fflush(nullptr);
            ::_exit(0);
        }
        closeAndEnd();
        return;
    }
    // Qt's Wayland plugin finds the loss on a thread of its own (or, once the close has begun,
    // on another) and ends the process from there as soon as this returns: that thread waits
    // while the user-interface thread closes in order and ends the process; only a
    // user-interface thread that never gets to it lets Qt end it as it would have.
    if (ExitGuard* guard = g_guard.load())
        guard->handOver(closeAndEnd);
    else if (!g_closing)
        return;
    holdForTheClose();
}

}  // namespace

ExitGuard::ExitGuard(std::function<void()> closeInOrder)
    : m_close(std::move(closeInOrder)), m_sink(std::make_unique<CallSink>()) {
    {
        std::lock_guard lock(g_closeMutex);
        g_released = false;
    }
    g_guard = this;
    if (!g_registered) g_registered = std::atexit(closeAndEnd) == 0;
    if (!g_registered)
        log::failure(log::shell(), "no ordered close when the window system goes away",
                     "atexit refused the handler");
    if (!g_hooked) {
        g_previous = qInstallMessageHandler(onMessage);
        g_hooked = true;
    }
}

ExitGuard::~ExitGuard() {
    ExitGuard* self = this;
    g_guard.compare_exchange_strong(self, nullptr);
    if (!m_closedHere) return;
    g_closing = false;
    {
        std::lock_guard lock(g_closeMutex);
        g_released = true;
    }
    g_closeEnded.notify_all();
}

bool ExitGuard::isWindowSystemLoss(QtMsgType type, const QString& text) {
    // Qt's Wayland plugin ends the process at once after its word, without exit handlers.
    return type == QtWarningMsg && (text.startsWith(QLatin1String("The X11 connection broke")) ||
                                    text.startsWith(QLatin1String("The Wayland connection broke")));
}

void ExitGuard::handOver(void (*closeAndEnd)()) {
    // Whether the guard is still armed is the user-interface thread's to tell.
    m_sink->post(closeAndEnd);
}

bool ExitGuard::closeIfArmed() {
    if (g_guard != this || !m_close) return false;
    // Windows and devices belong to the user-interface thread; from another one, nothing is safe.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) return false;
    // Closing before disarmed: a thread that finds no guard must still see the close coming.
    g_closing = true;
    g_guard = nullptr;
    log::failure(log::shell(), "the window system went away", "closing in order");
    const auto close = std::move(m_close);
    m_close = nullptr;
    m_closedHere = true;
    close();
    return true;
}

}  // namespace platform
