#include "platform/Process.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

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

// A look-alike of another user: root runs a copy of sleep as nobody beside one of its own.
TEST(FindProcessByName, SeesOnlyThisUsersProcesses) {
    if (::getuid() != 0 || !QFileInfo::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "starting a process as another user needs root and setpriv";
    char dirTemplate[] = "/tmp/ostrely-lookalike-XXXXXX";
    ASSERT_NE(::mkdtemp(dirTemplate), nullptr);
    const QString dir = QString::fromLocal8Bit(dirTemplate);
    ::chmod(dirTemplate, 0755);
    const QString program = dir + "/LookAlikeBoard.exe";
    ASSERT_TRUE(QFile::copy("/bin/sleep", program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                       QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);

    ChildProcess other("/usr/bin/setpriv",
                       {"--reuid=65534", "--regid=65534", "--clear-groups", program, "30"});
    ASSERT_TRUE(other.started());
    // setpriv becomes the program in place: wait until the process carries its name.
    const QString exeLink = QStringLiteral("/proc/%1/exe").arg(other.pid());
    for (int i = 0; i < 500 && QFileInfo(exeLink).symLinkTarget() != program; ++i) ::usleep(10000);
    ASSERT_EQ(QFileInfo(exeLink).symLinkTarget(), program);
    EXPECT_EQ(platform::findProcessByName("LookAlikeBoard.exe"), 0);

    ChildProcess own(program, {"30"});
    ASSERT_TRUE(own.started());
    for (int i = 0; i < 500 && platform::findProcessByName("LookAlikeBoard.exe") == 0; ++i)
        ::usleep(10000);
    EXPECT_EQ(platform::findProcessByName("LookAlikeBoard.exe"), own.pid());

    own.kill();
    other.kill();
    QDir(dir).removeRecursively();
}
