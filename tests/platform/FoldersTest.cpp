#include "platform/Folders.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

TEST(Folders, CommonAppDataFollowsTheEnvironmentAtEveryCall) {
    qputenv("OSTRELY_COMMON_APPDATA", "/x/shared/");
    EXPECT_EQ(platform::commonAppDataFolder(), "/x/shared");
    qunsetenv("OSTRELY_COMMON_APPDATA");
    qputenv("XDG_CONFIG_HOME", "/y/config");
    EXPECT_EQ(platform::commonAppDataFolder(), "/y/config");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(platform::commonAppDataFolder(), QDir::homePath() + "/.config");
}

TEST(Folders, ExecutableFolder) {
    EXPECT_TRUE(platform::executablePath().endsWith("/platform_tests"));
    EXPECT_EQ(platform::folderOf("/opt/ostrely/Ostrely"), "/opt/ostrely");
    EXPECT_EQ(platform::folderOf("/Ostrely"), "/");
    EXPECT_EQ(platform::folderOf("Ostrely"), "");
}

TEST(Folders, UserTempFolderIsPrivateAndAPlantedNameIsPassedOver) {
    testsupport::TempDir tmp;
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    const QString expected = tmp.file(QStringLiteral("ostrely-%1").arg(::getuid()));
    EXPECT_EQ(platform::userTempFolder(), expected);
    EXPECT_TRUE(platform::isPrivateFolder(expected));

    // A link or an open folder of that name (as another user would plant) is not used.
    testsupport::TempDir tmp2;
    qputenv("TMPDIR", tmp2.path().toLocal8Bit());
    const QString planted = tmp2.file(QStringLiteral("ostrely-%1").arg(::getuid()));
    ASSERT_TRUE(QFile::link(tmp2.path(), planted));
    const QString chosen = platform::userTempFolder();
    EXPECT_NE(chosen, planted);
    EXPECT_FALSE(chosen.isEmpty());
    EXPECT_TRUE(platform::isPrivateFolder(chosen));

    QFile::remove(planted);
    ASSERT_TRUE(QDir().mkdir(planted));
    ::chmod(QFile::encodeName(planted).constData(), 0777);
    EXPECT_NE(platform::userTempFolder(), planted);
    qunsetenv("TMPDIR");
}
