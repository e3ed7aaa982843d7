#include "platform/Process.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

using platform::ChildProcess;

TEST(ChildProcess, ReportsExitCodesTimeOutsAndProgramsThatDoNotStart) {
    ChildProcess three("/bin/sh", {"-c", "exit 3"});
    ASSERT_TRUE(three.started());
    EXPECT_EQ(three.waitForExit(10000), 3);
    EXPECT_EQ(three.waitForExit(0), 3);  // asking again keeps the answer

    ChildProcess trailingBlank("/bin/true ", {});
    EXPECT_EQ(trailingBlank.waitForExit(10000), 0);

    ChildProcess slow("/bin/sleep", {"5"});
    EXPECT_EQ(slow.waitForExit(20), ChildProcess::kNoExitCode);
    ::kill(slow.pid(), SIGKILL);
    EXPECT_EQ(slow.waitForExit(10000), ChildProcess::kNoExitCode);  // killed, not exited

    ChildProcess missing("/nonexistent/Autovell", {"open"});
    EXPECT_FALSE(missing.started());
    EXPECT_EQ(missing.waitForExit(100), ChildProcess::kNoExitCode);
}

TEST(ChildProcess, ArgumentsArriveUnsplit) {
    ChildProcess p("/bin/sh", {"-c", "test \"$1\" = 'a b \"c\"' && exit 7", "sh", "a b \"c\""});
    EXPECT_EQ(p.waitForExit(10000), 7);
}

TEST(FindProcessByName, FindsThisProcessByItsExactFileNameOnly) {
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const pid_t found = platform::findProcessByName(self);
    EXPECT_GT(found, 0);
    EXPECT_LE(found, ::getpid());
    EXPECT_EQ(platform::findProcessByName(self.toUpper()), 0);
    EXPECT_EQ(platform::findProcessByName("HaxoBoard.exe"), 0);
    EXPECT_EQ(platform::findProcessByName(""), 0);
}
