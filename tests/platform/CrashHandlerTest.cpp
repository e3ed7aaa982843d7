#include "platform/CrashHandler.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>

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
int crashInChild(const QString& errPath, const std::function<void()>& body) {
    const pid_t pid = ::fork();
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
