#include "platform/RegularFile.h"
#include "platform/StagedFile.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using platform::StagedFile;

namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList entriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

}  // namespace

TEST(StagedFile, ReplacesWholeAndKeepsThePermissionsOfTheFileItReplaces) {
    testsupport::TempDir dir;
    const QString path = dir.file("settings.xml");
    put(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    EXPECT_TRUE(StagedFile::replace(path, "new content"));
    EXPECT_EQ(contentOf(path), "new content");
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"settings.xml"});
}

TEST(StagedFile, ALinkInTheTargetsPlaceIsReplacedNeverWrittenThrough) {
    testsupport::TempDir dir;
    const QString victim = dir.file("victim.txt");
    put(victim, "precious");
    const QString path = dir.file("QvCamera.xml");
    ASSERT_TRUE(QFile::link(victim, path));
    EXPECT_TRUE(StagedFile::replace(path, "defaults"));
    EXPECT_EQ(contentOf(victim), "precious");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(contentOf(path), "defaults");

    // A dangling link must not create the file it points at.
    const QString dangling = dir.file("dangling.xml");
    ASSERT_TRUE(QFile::link(dir.file("planted"), dangling));
    EXPECT_TRUE(StagedFile::replace(dangling, "x"));
    EXPECT_FALSE(QFile::exists(dir.file("planted")));
}

TEST(StagedFile, AFullDiskLeavesTheOldFileAndNoTemporaryOne) {
    testsupport::TempDir dir;
    const QString path = dir.file("thumb.bmp");
    put(path, "old picture");
    QString error;
    {
        const testsupport::FileSizeLimit limit(81920);
        EXPECT_FALSE(
            StagedFile::replace(path, QByteArray(97254, 'x'), StagedFile::Sync::None, &error));
    }
    EXPECT_TRUE(error.contains("thumb.bmp")) << qPrintable(error);
    EXPECT_EQ(contentOf(path), "old picture");
    EXPECT_EQ(entriesOf(dir.path()), QStringList{"thumb.bmp"});
}

TEST(StagedFile, WrittenButNotCommittedLeavesNothing) {
    testsupport::TempDir dir;
    const QString path = dir.file("a.jpg");
    {
        StagedFile file(path, StagedFile::Sync::None);
        ASSERT_TRUE(file.write("jpeg"));
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_TRUE(entriesOf(dir.path()).isEmpty());
    StagedFile file(path);
    EXPECT_FALSE(file.commit());
    EXPECT_FALSE(StagedFile::replace(dir.file("missing/a.jpg"), "x"));
    EXPECT_FALSE(StagedFile::replace(dir.path() + "/", "x"));
}

TEST(RegularFile, ReadsOnlyRegularFilesUpToTheLimit) {
    using platform::ReadFailure;
    testsupport::TempDir dir;
    const QString file = dir.file("Config.xml");
    put(file, "<a/>");
    EXPECT_EQ(platform::readRegularFile(file, 4).bytes.value_or("none"), "<a/>");
    EXPECT_EQ(platform::readRegularFile(file, 3).failure, ReadFailure::TooLarge);

    const QString link = dir.file("link.xml");
    ASSERT_TRUE(QFile::link(file, link));
    EXPECT_EQ(platform::readRegularFile(link, 100).bytes.value_or("none"), "<a/>");

    // A FIFO with no writer would block an ordinary open for ever.
    const QString fifo = dir.file("fifo.xml");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(platform::readRegularFile(fifo, 100).failure, ReadFailure::NotRegular);
    EXPECT_EQ(platform::readRegularFile(dir.path(), 100).failure, ReadFailure::NotRegular);
    EXPECT_EQ(platform::readRegularFile("/dev/zero", 100).failure, ReadFailure::NotRegular);
    EXPECT_EQ(platform::readRegularFile(dir.file("none"), 100).failure, ReadFailure::Missing);
}
