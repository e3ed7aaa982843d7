#include "platform/ProfileFile.h"

#include "tests/support/TempDir.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::ProfileFile;

TEST(ProfileFile, SetsOneValueAndLeavesTheRestOfTheFileAsItWas) {
    EXPECT_EQ(ProfileFile::withValue("", "ssss", "step", "70"), "[ssss]\r\nstep=70\r\n");

    const QByteArray shared =
        "; written by another program\r\n[Other]\r\nStep=5\r\n\r\n[SSSS]\r\n step = 40\r\n"
        "size=3\r\n\r\n[Last]\r\nx=1\r\n";
    EXPECT_EQ(ProfileFile::withValue(shared, "ssss", "step", "70"),
              "; written by another program\r\n[Other]\r\nStep=5\r\n\r\n[SSSS]\r\nstep=70\r\n"
              "size=3\r\n\r\n[Last]\r\nx=1\r\n");
    // A new key goes after the section's last value, not after the blank line that ends it.
    EXPECT_EQ(ProfileFile::withValue("[ssss]\nsize=3\n\n[Last]\n", "ssss", "step", "70"),
              "[ssss]\nsize=3\nstep=70\n\n[Last]\n");
    EXPECT_EQ(ProfileFile::withValue("[Other]\nx=1", "ssss", "step", "70"),
              "[Other]\nx=1\n[ssss]\nstep=70\n");
}

TEST(ProfileFile, WritesWholeAndNeverThroughALinkOrIntoAFifo) {
    testsupport::TempDir dir;
    const QString path = dir.file("usefile.ini");
    ASSERT_TRUE(ProfileFile::writeString(path, "ssss", "step", "70"));
    ASSERT_TRUE(ProfileFile::writeString(path, "ssss", "step", "80"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "[ssss]\r\nstep=80\r\n");
    f.close();

    const QString victim = dir.file("victim.ini");
    {
        QFile v(victim);
        ASSERT_TRUE(v.open(QIODevice::WriteOnly));
        v.write("[keep]\r\n");
    }
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(victim, path));
    ASSERT_TRUE(ProfileFile::writeString(path, "ssss", "step", "70"));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    QFile v(victim);
    ASSERT_TRUE(v.open(QIODevice::ReadOnly));
    EXPECT_EQ(v.readAll(), "[keep]\r\n");

    const QString fifo = dir.file("fifo.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(ProfileFile::writeString(fifo, "ssss", "step", "70"));
}
