// Settings files that another local user, a full disk or a broken file put in the program's way.
#include "StartupFixture.h"

#include "platform/AutostartEntry.h"
#include "platform/Folders.h"

#include "tests/support/QtPrinters.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

void chmodPath(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0) << path.toStdString();
}

bool isFifo(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

constexpr uid_t kOtherUser = 65534;  // nobody

}  // namespace

TEST_F(StartupTest, AFolderOthersCanWriteIntoIsNotUsedForSettings) {
    // A shared folder where another user planted QvCamera.xml as a link to a file of ours.
    const QString shared = root.file("shared");
    QDir().mkpath(shared);
    chmodPath(shared, 01777);
    const QString victim = root.file("thesis.txt");
    writeFile(victim, "four years of work");
    ASSERT_TRUE(QFile::link(victim, shared + "/QvCamera.xml"));
    qputenv("OSTRELY_COMMON_APPDATA", shared.toLocal8Bit());

    start();
    EXPECT_EQ(readFile(victim), "four years of work");
    EXPECT_TRUE(QFileInfo(shared + "/QvCamera.xml").isSymLink());
    // The next folder in line holds the settings instead.
    EXPECT_EQ(readFile(root.file("config/QvCamera.xml")), newCameraConfig(true));
    EXPECT_EQ(platform::commonAppDataFolder(), root.file("config"));

    // Not made yet, inside the shared folder: as open as the folder it would be made in.
    qputenv("OSTRELY_COMMON_APPDATA", (shared + "/mine").toLocal8Bit());
    EXPECT_EQ(platform::commonAppDataFolder(), root.file("config"));
    // Group-writable by a group that is not the user's own: refused too.
    const QString group = root.file("group");
    QDir().mkpath(group);
    chmodPath(group, 0775);
    if (::chown(QFile::encodeName(group).constData(), ::getuid(), kOtherUser) == 0) {
        qputenv("OSTRELY_COMMON_APPDATA", group.toLocal8Bit());
        EXPECT_EQ(platform::commonAppDataFolder(), root.file("config"));
    }
}

TEST_F(StartupTest, AFolderOwnedByAnotherUserIsNotUsedForSettings) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    const QString theirs = root.file("theirs");
    QDir().mkpath(theirs);
    ASSERT_EQ(::chown(QFile::encodeName(theirs).constData(), kOtherUser, kOtherUser), 0);
    qputenv("OSTRELY_COMMON_APPDATA", theirs.toLocal8Bit());
    start();
    EXPECT_FALSE(QFile::exists(theirs + "/QvCamera.xml"));
    EXPECT_TRUE(QFile::exists(root.file("config/QvCamera.xml")));
}

TEST_F(StartupTest, ALinkInPlaceOfTheSettingsFileIsReplacedNotWrittenThrough) {
    const QString victim = root.file("victim.xml");
    writeFile(victim, "<Other>not ours to change</Other>");
    ASSERT_TRUE(QFile::link(victim, cameraConfig()));
    start();
    EXPECT_EQ(readFile(victim), "<Other>not ours to change</Other>");
    EXPECT_FALSE(QFileInfo(cameraConfig()).isSymLink());
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(false));
    EXPECT_TRUE(QFileInfo(cameraConfig() + ".bad").isSymLink()) << "the link itself was moved";

    // The writers of single values do not follow a link either.
    QFile::remove(cameraConfig());
    writeFile(victim, newCameraConfig(false));
    ASSERT_TRUE(QFile::link(victim, cameraConfig()));
    app->SaveAutostartSetting(true);
    EXPECT_EQ(readFile(victim), newCameraConfig(false));
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(true));
}

TEST_F(StartupTest, FifosInPlaceOfSettingsFilesDoNotStallTheStart) {
    const QString config = root.file("appdata/Haxo/Config.xml");
    QDir().mkpath(root.file("appdata/Haxo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(config).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(cameraConfig()).constData(), 0600), 0);
    start();
    EXPECT_EQ(ui.dialogRuns, 1);
    EXPECT_EQ(app->languageCode(), "en_US");
    EXPECT_EQ(readFile(cameraConfig()), newCameraConfig(false));
    EXPECT_TRUE(isFifo(cameraConfig() + ".bad"));
}

TEST_F(StartupTest, TheAutostartFlagFollowsTheEntryReallyThere) {
    start();
    ASSERT_TRUE(app->IsAutostartRegistered());
    // An Autovell that reports success but changes nothing: neither answer is believed.
    const QString autovell = root.file("program/Autovell");
    writeFile(autovell, "#!/bin/sh\nexit 0\n");
    app->DisableAutostart();
    EXPECT_TRUE(app->autostartFlag()) << "the entry still starts the program at log-on";
    EXPECT_TRUE(readFile(cameraConfig()).contains("<IsAutoStart>true</IsAutoStart>"));

    QFile::remove(autostartFile());
    writeFile(autovell, "#!/bin/sh\nexit 1\n");
    app->EnableAutostart();
    EXPECT_FALSE(app->autostartFlag());
    app->SaveAutostartSetting(false);
    app->EnableAutostart();
    EXPECT_TRUE(readFile(cameraConfig()).contains("<IsAutoStart>false</IsAutoStart>"))
        << "an entry that was not made is not recorded";
}
