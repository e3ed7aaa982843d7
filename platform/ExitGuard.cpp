#include "ExitGuard.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

// An exit handler takes no argument: the one living guard is where it finds its work.
ExitGuard* g_guard = nullptr;
bool g_registered = false;
// Like the exit handler, the message hook stays for the process; without a guard it only passes on.
bool g_hooked = false;
QtMessageHandler g_previous = nullptr;

void closeAndEnd() {
    if (g_guard == nullptr || !g_guard->closeIfArmed()) return;
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
    if (ExitGuard::isWindowSystemLoss(type, text)) closeAndEnd();
}

}  // namespace

ExitGuard::ExitGuard(std::function<void()> closeInOrder) : m_close(std::move(closeInOrder)) {
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
    if (g_guard == this) g_guard = nullptr;
}

bool ExitGuard::isWindowSystemLoss(QtMsgType type, const QString& text) {
    // Qt's Wayland plugin ends the process at once after its word, without exit handlers.
    return type == QtWarningMsg && (text.startsWith(QLatin1String("The X11 connection broke")) ||
                                    text.startsWith(QLatin1String("The Wayland connection broke")));
}

bool ExitGuard::closeIfArmed() {
    if (g_guard != this || !m_close) return false;
    // Windows and devices belong to the user-interface thread; from another one, nothing is safe.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) return false;
    g_guard = nullptr;
    log::failure(log::shell(), "the window system went away", "closing in order");
    const auto close = std::move(m_close);
    m_close = nullptr;
    close();
    return true;
}

}  // namespace platform
