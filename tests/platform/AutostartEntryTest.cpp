#include "platform/AutostartEntry.h"

#include "tests/support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using platform::AutostartEntry;

namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

}  // namespace

TEST(AutostartEntry, ExecLineQuotingRoundTripsAwkwardArguments) {
    const QStringList argv{
        "/opt/my prog/Ostrely", "-Start", "100%", "a\"b", "$HOME", "c\\d", "`x`", ""};
    const QString exec = AutostartEntry::execLine(argv);
    EXPECT_TRUE(exec.startsWith("\"/opt/my prog/Ostrely\" -Start 100%% "));
    const QString stored = AutostartEntry::escapeValue(exec);
    EXPECT_EQ(AutostartEntry::parseExecLine(AutostartEntry::unescapeValue(stored)), argv);
    EXPECT_FALSE(AutostartEntry::parseExecLine("\"open quote").has_value());
    EXPECT_FALSE(AutostartEntry::parseExecLine("   ").has_value());
}

TEST(AutostartEntry, ValueDataSplitsAtTheProgramThatExists) {
    testsupport::TempDir dir;
    const QString prog = dir.file("my prog -Start");  // a name that looks like a switch
    writeFile(prog, "#!/bin/sh\n");
    QFile::setPermissions(prog, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_EQ(AutostartEntry::splitValueData(prog + " -Start"), QStringList({prog, "-Start"}));
    EXPECT_EQ(AutostartEntry::splitValueData(prog), QStringList({prog}));
    EXPECT_EQ(AutostartEntry::splitValueData("/no where/Ostrely -Start -x"),
              QStringList({"/no where/Ostrely", "-Start", "-x"}));
}

TEST(AutostartEntry, WriteReadRemoveAndEntriesThatDoNotCount) {
    testsupport::TempDir dir;
    const AutostartEntry entry(dir.file("autostart"), "Ostrely");
    EXPECT_FALSE(entry.folderExists());
    EXPECT_FALSE(entry.read().has_value());
    ASSERT_TRUE(entry.makeFolder());
    ASSERT_TRUE(entry.write("/opt/a b/Ostrely -Start"));
    EXPECT_EQ(entry.read(), QString("/opt/a b/Ostrely -Start"));
    EXPECT_TRUE(entry.remove());
    EXPECT_TRUE(entry.remove()) << "a missing entry counts as removed";

    writeFile(entry.filePath(), "[Desktop Entry]\nExec=/x -Start\nHidden=true\n");
    EXPECT_FALSE(entry.read().has_value()) << "hidden entries are deleted ones";
    writeFile(entry.filePath(), "[Other]\nExec=/x -Start\n");
    EXPECT_FALSE(entry.read().has_value());
    writeFile(entry.filePath(), QByteArray("\0\xff\xfe garbage", 12));
    EXPECT_FALSE(entry.read().has_value());
    writeFile(entry.filePath(), "[Desktop Entry]\nName=Ostrely\nExec=/opt/x\\sy/Ostrely -Start\n");
    EXPECT_EQ(entry.read(), QString("/opt/x y/Ostrely -Start"));
}

TEST(AutostartEntry, TheEntryNamesItsProgramForTryExecAndIsAValidDesktopEntry) {
    testsupport::TempDir dir;
    const AutostartEntry entry(dir.path(), "Ostrely");
    const auto lineOf = [&](const QByteArray& key) {
        QFile f(entry.filePath());
        if (!f.open(QIODevice::ReadOnly)) return QString();
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith(key + '=')) return QString::fromUtf8(line.mid(key.size() + 1));
        return QString();
    };
    // A removed program leaves an entry that the session must skip: TryExec carries the path.
    ASSERT_TRUE(entry.write("/opt/my programs/Ostrely -Start"));
    EXPECT_EQ(lineOf("TryExec"), QString("/opt/my programs/Ostrely"));
    EXPECT_EQ(entry.read(), QString("/opt/my programs/Ostrely -Start")) << "TryExec is not Exec";

    ASSERT_TRUE(entry.write("/opt/a\\b%c/Ostrely -Start"));
    EXPECT_EQ(AutostartEntry::unescapeValue(lineOf("TryExec")), QString("/opt/a\\b%c/Ostrely"));
    EXPECT_EQ(entry.read(), QString("/opt/a\\b%c/Ostrely -Start"));

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
    for (const QString& valueData :
         {QString("/opt/my programs/Ostrely -Start"), QString("/usr/lib/ostrely/Ostrely -Start")}) {
        ASSERT_TRUE(entry.write(valueData));
        QProcess check;
        check.start(validator, {entry.filePath()});
        ASSERT_TRUE(check.waitForFinished(30000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    }
}
