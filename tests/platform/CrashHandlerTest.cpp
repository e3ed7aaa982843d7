#include "platform/CrashHandler.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <functional>

namespace {

// An unmapped address that is not null, so the undefined-behaviour checker lets the store happen.
[[gnu::noinline]] void crashHere() {
    volatile uintptr_t address = 16;
    *reinterpret_cast<volatile int*>(address) = 1;
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

// Runs body in a child process with its standard error sent to errPath; the signal it died of.
int crashInChild(const QString& errPath, const std::function<void()>& body,
                 pid_t* child = nullptr) {
    const pid_t pid = ::fork();
    if (child != nullptr) *child = pid;
    if (pid == 0) {
        std::freopen(QFile::encodeName(errPath).constData(), "w", stderr);
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

}  // namespace

TEST(CrashHandler, AFaultInAChildLeavesAReportWithSignalStackAndMap) {
    testsupport::TempDir dir;
    const QString dump = dir.file("Kestrane/test.dmp");  // the folder does not exist yet
    const QString err = dir.file("stderr");
    EXPECT_EQ(crashInChild(err,
                           [&] {
                               platform::CrashHandler::install(dump);
                               crashHere();
                           }),
              SIGSEGV);
    EXPECT_EQ(readAll(err), "***Unhandled Exception!***\n");
    const QString report = readAll(dump);
    EXPECT_TRUE(report.contains("signal: 11 SIGSEGV")) << report.toStdString();
    EXPECT_TRUE(report.contains("address: 0x10"));
    EXPECT_TRUE(report.contains("stack:\n"));
    EXPECT_TRUE(report.contains("platform_tests")) << "stack frames name the binary";
    EXPECT_TRUE(report.contains("memory map:\n"));

    EXPECT_EQ(crashInChild(err,
                           [&] {
                               platform::CrashHandler::install(dump);
                               std::abort();
                           }),
              SIGABRT);
    EXPECT_TRUE(readAll(dump).startsWith("Ostrely crash report\nsignal: 6 SIGABRT"))
        << "the dump is overwritten, not appended to";
}

namespace {

// A crash of a fresh child with the handler on dump; the report names the child's process id.
QString crashOnce(const QString& dump) {
    pid_t pid = 0;
    crashInChild(
        dump + ".stderr",
        [&] {
            platform::CrashHandler::install(dump);
            crashHere();
        },
        &pid);
    return QString("process: %1\n").arg(pid);
}

QStringList reportsIn(const QString& folder) {
    return QDir(folder).entryList({"test.dmp*"}, QDir::Files | QDir::System, QDir::Name);
}

}  // namespace

TEST(CrashHandler, KeepsTheLastFiveReportsNewestUnderTheDumpName) {
    testsupport::TempDir dir;
    const QString dump = dir.file("Kestrane/test.dmp");
    QStringList crashes;  // oldest first
    for (int i = 0; i < 3; ++i) crashes << crashOnce(dump);
    QFile::remove(dump + ".stderr");
    EXPECT_EQ(reportsIn(dir.file("Kestrane")),
              (QStringList{"test.dmp", "test.dmp.1", "test.dmp.2"}));
    EXPECT_TRUE(readAll(dump).contains(crashes[2]));
    EXPECT_TRUE(readAll(dump + ".1").contains(crashes[1]));
    EXPECT_TRUE(readAll(dump + ".2").contains(crashes[0]));

    for (int i = 0; i < 3; ++i) crashes << crashOnce(dump);
    QFile::remove(dump + ".stderr");
    EXPECT_EQ(reportsIn(dir.file("Kestrane")),
              (QStringList{"test.dmp", "test.dmp.1", "test.dmp.2", "test.dmp.3", "test.dmp.4"}));
    EXPECT_TRUE(readAll(dump).contains(crashes[5]));
    for (int age = 1; age <= 4; ++age)
        EXPECT_TRUE(readAll(dump + '.' + QString::number(age)).contains(crashes[5 - age]))
            << "report " << age;
}

TEST(CrashHandler, LinksAmongTheReportsAreMovedOrDroppedNeverWrittenThrough) {
    testsupport::TempDir dir;
    const QString dump = dir.file("Kestrane/test.dmp");
    ASSERT_TRUE(QDir().mkpath(dir.file("Kestrane")));
    const QString victim = dir.file("victim");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious");
    }
    ASSERT_TRUE(QFile::link(victim, dump));
    ASSERT_TRUE(QFile::link(victim, dump + ".1"));
    ASSERT_TRUE(QFile::link(dir.file("planted"), dump + ".4"));  // dangling, and dropped
    const QString crash = crashOnce(dump);
    EXPECT_EQ(readAll(victim), "precious");
    EXPECT_FALSE(QFileInfo(dump).isSymLink());
    EXPECT_TRUE(readAll(dump).contains(crash));
    EXPECT_TRUE(QFileInfo(dump + ".1").isSymLink());
    EXPECT_TRUE(QFileInfo(dump + ".2").isSymLink());
    EXPECT_FALSE(QFileInfo(dump + ".4").isSymLink());
    EXPECT_FALSE(QFile::exists(dir.file("planted")));
}

TEST(CrashHandler, WhenTheOldReportCannotMoveTheNewOneStillTakesItsPlace) {
    testsupport::TempDir dir;
    const QString dump = dir.file("Kestrane/test.dmp");
    // Folders that are not empty at every older name: none of them can be moved or dropped.
    for (int age = 1; age <= 4; ++age)
        ASSERT_TRUE(QDir().mkpath(dump + '.' + QString::number(age) + "/kept"));
    {
        QFile f(dump);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old report");
    }
    const QString crash = crashOnce(dump);
    EXPECT_TRUE(readAll(dump).contains(crash));
    EXPECT_TRUE(QFileInfo(dump + ".1/kept").isDir());
}
