#include "platform/AutostartEntry.h"

#include "tests/support/TempDir.h"

#include <QFile>
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
