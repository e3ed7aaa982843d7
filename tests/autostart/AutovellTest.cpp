// Autovell run as a program, as the application runs it.
#include "platform/AutostartEntry.h"
#include "platform/Process.h"

#include "tests/support/QtPrinters.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class Autovell : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static int run(const QStringList& args) {
        platform::ChildProcess p(OSTRELY_BIN_DIR "/Autovell", args);
        return p.waitForExit(30000);
    }
    QString entryFile() const { return config.file("autostart/Ostrely.desktop"); }
    QByteArray entryBytes() const {
        QFile f(entryFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    testsupport::TempDir config;
    platform::AutostartEntry entry{config.file("autostart"), "Ostrely"};
};

}  // namespace

TEST_F(Autovell, OpenWritesAndReplacesTheEntryAndCloseRemovesIt) {
    const QString program = OSTRELY_BIN_DIR "/Autovell";  // any program that exists
    EXPECT_EQ(run({"open", program + " -Start"}), 1);
    EXPECT_EQ(entry.read(), program + " -Start");
    EXPECT_TRUE(entryBytes().contains("\nExec=" + program.toUtf8() + " -Start\n"));

    EXPECT_EQ(run({"open", "/other/place/Ostrely -Start"}), 1);
    EXPECT_EQ(entry.read(), QString("/other/place/Ostrely -Start"));

    EXPECT_EQ(run({"close"}), 0);
    EXPECT_FALSE(QFile::exists(entryFile()));
    EXPECT_EQ(run({"close"}), 0) << "closing when nothing is there";
}

TEST_F(Autovell, AProgramPathWithBlanksStillStartsFromTheEntry) {
    testsupport::TempDir programs;
    const QString folder = programs.file("my programs");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString marker = programs.file("ran");
    const QString program = folder + "/Ostrely";
    {
        QFile f(program);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho \"$@\" > '" + marker.toUtf8() + "'\n");
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(run({"open", program + " -Start"}), 1);

    // Start it as a session manager would: from the parsed Exec line.
    const QByteArray bytes = entryBytes();
    const int at = bytes.indexOf("\nExec=") + 6;
    const QString exec = QString::fromUtf8(bytes.mid(at, bytes.indexOf('\n', at) - at));
    const auto argv =
        platform::AutostartEntry::parseExecLine(platform::AutostartEntry::unescapeValue(exec));
    ASSERT_TRUE(argv.has_value());
    ASSERT_EQ(argv->size(), 2);
    EXPECT_EQ(argv->at(0), program);
    platform::ChildProcess started(argv->at(0), argv->mid(1));
    EXPECT_EQ(started.waitForExit(30000), 0);
    QFile ran(marker);
    ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
    EXPECT_EQ(ran.readAll(), "-Start\n");
}

TEST_F(Autovell, OtherCommandsChangeNothing) {
    ASSERT_EQ(run({"open", "/x/Ostrely -Start"}), 1);
    const QByteArray before = entryBytes();
    for (const QStringList& args :
         {QStringList{"Open", "/y -Start"}, QStringList{"CLOSE"}, QStringList{},
          QStringList{"open"}, QStringList{"remove", "x"}}) {
        EXPECT_EQ(run(args), 0) << args.join(' ').toStdString();
        EXPECT_EQ(entryBytes(), before);
    }
}

TEST_F(Autovell, OpenFailsWithZeroWhenTheFolderCannotBeMade) {
    QFile blocker(config.file("autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    EXPECT_EQ(run({"open", "/x/Ostrely -Start"}), 0);
    EXPECT_EQ(run({"close"}), 0);
}

TEST_F(Autovell, EmptyValueDataChangesNothingAndReportsFailure) {
    ASSERT_EQ(run({"open", "/x/Ostrely -Start"}), 1);
    const QByteArray before = entryBytes();
    EXPECT_EQ(run({"open", ""}), 0);
    EXPECT_EQ(run({"open", "   "}), 0);
    EXPECT_EQ(entryBytes(), before);
}

TEST_F(Autovell, ALinkedEntryIsReplacedNeverWrittenThrough) {
    const QString victim = config.file("victim.txt");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not an entry");
    }
    ASSERT_TRUE(QDir().mkpath(config.file("autostart")));
    ASSERT_TRUE(QFile::link(victim, entryFile()));
    EXPECT_EQ(run({"open", "/x/Ostrely -Start"}), 1);
    QFile f(victim);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "not an entry");
    EXPECT_FALSE(QFileInfo(entryFile()).isSymLink());
    EXPECT_EQ(entry.read(), QString("/x/Ostrely -Start"));

    // A link to nowhere is an entry too, and close removes it.
    QFile::remove(entryFile());
    ASSERT_TRUE(QFile::link(config.file("nowhere"), entryFile()));
    EXPECT_EQ(run({"close"}), 0);
    EXPECT_FALSE(QFileInfo(entryFile()).isSymLink());
}

TEST_F(Autovell, CloseReportsAnEntryItCouldNotRemove) {
    // Something in the entry's place that no unlink removes.
    ASSERT_TRUE(QDir().mkpath(entryFile() + "/inside"));
    EXPECT_EQ(run({"close"}), 1);
    QDir(entryFile()).removeRecursively();

    // A folder this user may not change (root may change any: run Autovell as another user then).
    ASSERT_EQ(run({"open", "/x/Ostrely -Start"}), 1);
    const QByteArray folder = QFile::encodeName(config.file("autostart"));
    ::chmod(folder.constData(), 0555);
    int code = -1;
    if (::getuid() != 0) {
        code = run({"close"});
    } else {
        const QString setpriv = "/usr/bin/setpriv";
        if (!QFileInfo(setpriv).isExecutable()) GTEST_SKIP() << "no setpriv to drop root";
        ::chmod(QFile::encodeName(config.path()).constData(), 0755);
        ::chown(QFile::encodeName(config.path()).constData(), 65534, 65534);
        ::chown(folder.constData(), 65534, 65534);
        platform::ChildProcess p(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                           OSTRELY_BIN_DIR "/Autovell", "close"});
        code = p.waitForExit(30000);
    }
    ::chmod(folder.constData(), 0755);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(entry.read(), QString("/x/Ostrely -Start"));
}
