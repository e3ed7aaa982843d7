#include "platform/FrontKeys.h"

#include "platform/PortalKeySender.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>

using platform::FrontKeys;
using platform::KeySender;
using Route = FrontKeys::Route;

TEST(FrontKeys, TheRouteFollowsTheWindowSystemTheProgramRunsOn) {
    EXPECT_EQ(FrontKeys::routeFor("xcb"), Route::XTest);  // X11 and XWayland alike
    EXPECT_EQ(FrontKeys::routeFor("wayland"), Route::Portal);
    EXPECT_EQ(FrontKeys::routeFor("wayland-egl"), Route::Portal);
    EXPECT_EQ(FrontKeys::routeFor("offscreen"), Route::None);
    EXPECT_EQ(FrontKeys::routeFor("minimal"), Route::None);
    EXPECT_EQ(FrontKeys::routeFor(""), Route::None);
}

TEST(FrontKeys, WhereNoKeyCanGoTheTeacherIsToldOnceAtTheFirstKeyAndTheCauseIsLogged) {
    testsupport::LogCapture log;
    int told = 0;
    FrontKeys keys({Route::None}, [&] { ++told; });
    keys.prepare();
    EXPECT_EQ(told, 0) << "nothing is lost before a key is pressed";
    for (int i = 0; i < 3; ++i) keys.send(KeySender::Key::PageDown);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(log.matching("ostrely.shell", {"keys cannot reach the program in front"}).size(), 1);
}

TEST(FrontKeys, AWaylandDesktopWithoutAPortalIsToldAtTheFirstKeyNotAtStart) {
    testsupport::TempDir dir;
    testsupport::LogCapture log;
    int told = 0;
    FrontKeys::Setup setup;
    setup.route = Route::Portal;
    setup.bus = QDBusConnection(QStringLiteral("no-such-connection"));  // not connected
    setup.tokenPath = dir.file("token");
    FrontKeys keys(setup, [&] { ++told; });
    keys.prepare();
    EXPECT_EQ(told, 0);
    EXPECT_EQ(log.matching("ostrely.shell", {"no session bus"}).size(), 1);
    keys.send(KeySender::Key::PageUp);
    keys.send(KeySender::Key::KeypadPlus);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(log.matching("ostrely.shell", {"no session bus"}).size(), 1) << "one line per cause";
}

TEST(FrontKeys, AnXDisplayThatCannotBeOpenedTellsTheTeacherOnce) {
    testsupport::LogCapture log;
    int told = 0;
    FrontKeys::Setup setup;
    setup.route = Route::XTest;
    setup.display = ":8766";
    FrontKeys keys(setup, [&] { ++told; });
    keys.send(KeySender::Key::PageDown);
    keys.send(KeySender::Key::PageUp);
    EXPECT_EQ(told, 1);
    EXPECT_EQ(log.matching("ostrely.shell", {":8766"}).size(), 1);
}
