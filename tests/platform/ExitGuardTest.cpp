// The ordered close when Qt ends the process because the window system went away.
#include "platform/ExitGuard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using platform::ExitGuard;

TEST(ExitGuard, ClosesOnceAndOnlyWhileItLives) {
    int closed = 0;
    {
        ExitGuard guard([&] { ++closed; });
        EXPECT_TRUE(guard.closeIfArmed());
        EXPECT_FALSE(guard.closeIfArmed()) << "an exit inside the close must not close again";
    }
    EXPECT_EQ(closed, 1);

    int later = 0;
    auto* gone = new ExitGuard([&] { ++later; });
    ExitGuard current([&] { ++later; });
    EXPECT_FALSE(gone->closeIfArmed()) << "only the newest guard acts";
    delete gone;
    EXPECT_TRUE(current.closeIfArmed()) << "an older guard's end leaves the newest armed";
    EXPECT_EQ(later, 1);
}

TEST(ExitGuard, NeverClosesFromAnotherThread) {
    int closed = 0;
    ExitGuard guard([&] { ++closed; });
    bool acted = true;
    std::thread other([&] { acted = guard.closeIfArmed(); });
    other.join();
    EXPECT_FALSE(acted) << "windows and devices belong to the user-interface thread";
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(guard.closeIfArmed());
}

TEST(ExitGuard, ALossFoundAgainOnQtsThreadWaitsForTheCloseUnderWay) {
    // Qt's Wayland plugin may find the loss on a second thread once the close runs, and ends the
    // process with status 1 when its warning returns: the warning must not return while the
    // close runs, nor after it (the user-interface thread ends the process then), only when the
    // guard ends.
    std::atomic<bool> returned{false};
    bool heldAfterTheClose = false;
    std::thread qtThread;
    {
        ExitGuard guard([&] {
            qtThread = std::thread([&] {
                qWarning("The Wayland connection broke. Did the Wayland compositor die?");
                returned = true;
            });
        });
        EXPECT_TRUE(guard.closeIfArmed());
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        heldAfterTheClose = !returned;
    }
    qtThread.join();
    EXPECT_TRUE(heldAfterTheClose) << "Qt's thread would have ended the process before us";
    EXPECT_TRUE(returned) << "released when the guard ends";
}

TEST(ExitGuard, KnowsQtsWordForALostXServerOrCompositor) {
    EXPECT_TRUE(ExitGuard::isWindowSystemLoss(
        QtWarningMsg, "The X11 connection broke (error 1). Did the X11 server die?"));
    EXPECT_TRUE(ExitGuard::isWindowSystemLoss(
        QtWarningMsg, "The Wayland connection broke. Did the Wayland compositor die?"));
    EXPECT_FALSE(ExitGuard::isWindowSystemLoss(
        QtWarningMsg, "The Wayland connection experienced a fatal error: Protocol error"))
        << "a protocol error is ours, not the end of the session";
    EXPECT_FALSE(ExitGuard::isWindowSystemLoss(QtInfoMsg, "The X11 connection broke (error 1)."))
        << "only Qt's warning";
    EXPECT_FALSE(ExitGuard::isWindowSystemLoss(QtWarningMsg, "camera: The X11 connection broke"))
        << "our own lines quoting it are not the end";
}

TEST(ExitGuard, PassesEveryMessageOnAndClosesOnlyWhenArmed) {
    int closed = 0;
    ExitGuard guard([&] { ++closed; });
    qWarning("an ordinary warning");
    EXPECT_EQ(closed, 0);
}
