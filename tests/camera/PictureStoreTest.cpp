#include "camera/PictureStore.h"
#include "platform/Folders.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

using camera::PictureStore;
using testsupport::TempDir;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

bool isRealFolder(const QString& path) {
    const QFileInfo fi(path);
    return fi.isDir() && !fi.isSymLink();
}

}  // namespace

TEST(PictureStoreNames, TenDigitNamesInTheirFolders) {
    const PictureStore store("/t");
    EXPECT_EQ(store.storeFolder(), "/t/KBCamera/");
    EXPECT_EQ(store.picturePath(7), "/t/KBCamera/image/0000000007.jpg");
    EXPECT_EQ(store.thumbnailPath(7), "/t/KBCamera/thumb/0000000007.bmp");
    EXPECT_EQ(store.picturePath(12345), "/t/KBCamera/image/0000012345.jpg");
    EXPECT_EQ(store.snapshotPath(3), "/t/KBCamera/image/0000000003.bmp");
    EXPECT_EQ(store.snapshotPath(3, 1), "/t/KBCamera/image/0000000003_1_1.bmp");
    EXPECT_EQ(store.snapshotPath(3, 2), "/t/KBCamera/image/0000000003_2_2.bmp");
    EXPECT_EQ(PictureStore::tenDigits(2147483647), "2147483647");
}

TEST(PictureStoreNames, ExactlyOneSlashBeforeTheStoreName) {
    EXPECT_EQ(PictureStore("/t").storeFolder(), PictureStore("/t/").storeFolder());
}

TEST(PictureStoreNames, NoTemporaryFolderMeansNoStore) {
    PictureStore store;
    EXPECT_TRUE(store.storeFolder().isEmpty());
    store.prepare();
    EXPECT_FALSE(store.ensureFolders());
}

TEST(PictureStorePrepare, EmptiesNestedLeftoversAndCreatesTheFolders) {
    TempDir tmp;
    const QString root = tmp.path() + "/KBCamera";
    QDir().mkpath(root + "/image/deep/deeper");
    QDir().mkpath(root + "/user folder");
    touch(root + "/image/0000000001.jpg");
    touch(root + "/image/deep/deeper/file.txt");
    touch(root + "/user folder/notes.txt");
    touch(root + "/.hidden");
    ::chmod(QFile::encodeName(root + "/image/deep").constData(), 0500);  // read-only, for a user

    PictureStore store(tmp.path());
    store.prepare();
    EXPECT_TRUE(isRealFolder(root));
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{"image", "thumb"}));
    EXPECT_TRUE(QDir(root + "/image").isEmpty());
    EXPECT_TRUE(QDir(root + "/thumb").isEmpty());
}

TEST(PictureStorePrepare, APlantedLinkIsRemovedNotFollowed) {
    TempDir tmp, elsewhere;
    touch(elsewhere.file("precious.txt"));
    QDir().mkpath(elsewhere.file("sub"));
    touch(elsewhere.file("sub/more.txt"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), tmp.file("KBCamera")));

    PictureStore store(tmp.path());
    store.prepare();
    EXPECT_TRUE(QFile::exists(elsewhere.file("precious.txt")));
    EXPECT_TRUE(QFile::exists(elsewhere.file("sub/more.txt")));
    EXPECT_TRUE(isRealFolder(tmp.file("KBCamera")));
    EXPECT_TRUE(platform::isPrivateFolder(tmp.file("KBCamera")));
}

TEST(PictureStorePrepare, LinksInsideTheStoreAreNotFollowed) {
    TempDir tmp, elsewhere;
    touch(elsewhere.file("precious.txt"));
    touch(elsewhere.file("file.jpg"));
    QDir().mkpath(tmp.file("KBCamera/image"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), tmp.file("KBCamera/image/dir-link")));
    ASSERT_TRUE(QFile::link(elsewhere.file("file.jpg"), tmp.file("KBCamera/image/0000000001.jpg")));

    PictureStore store(tmp.path());
    store.prepare();
    EXPECT_TRUE(QFile::exists(elsewhere.file("precious.txt")));
    EXPECT_TRUE(QFile::exists(elsewhere.file("file.jpg")));
    EXPECT_TRUE(QDir(tmp.file("KBCamera/image")).isEmpty());
}

TEST(PictureStorePrepare, AFolderOfAnotherUserIsReplaced) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to plant another user's folder";
    TempDir tmp;
    const QString root = tmp.file("KBCamera");
    QDir().mkpath(root + "/image");
    touch(root + "/image/0000000001.jpg");
    ASSERT_EQ(::chown(QFile::encodeName(root).constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root).constData(), 0777), 0);

    PictureStore store(tmp.path());
    store.prepare();
    EXPECT_TRUE(platform::isPrivateFolder(root));
    EXPECT_FALSE(QFile::exists(root + "/image/0000000001.jpg"));
    EXPECT_TRUE(store.ensureFolders());
}

TEST(PictureStoreFolders, MissingFoldersComeBackAndLinksAreReplaced) {
    TempDir tmp, elsewhere;
    PictureStore store(tmp.path());
    store.prepare();
    QDir(store.imageFolder()).removeRecursively();
    QDir(store.thumbnailFolder()).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere.path(), store.thumbnailFolder().chopped(1)));
    EXPECT_TRUE(store.ensureFolders());
    EXPECT_TRUE(isRealFolder(store.imageFolder()));
    EXPECT_TRUE(isRealFolder(store.thumbnailFolder()));
    EXPECT_TRUE(QFileInfo(elsewhere.path()).isDir());
}

TEST(PictureStoreFolders, AStoreOthersCanWriteIsNotUsed) {
    TempDir tmp;
    PictureStore store(tmp.path());
    store.prepare();
    ::chmod(QFile::encodeName(store.storeFolder()).constData(), 0777);
    EXPECT_FALSE(store.ensureFolders());
}

TEST(PictureExists, BothFilesMustBeThereAndTheThumbnailIsFoundInEitherCase) {
    TempDir tmp;
    PictureStore store(tmp.path());
    store.prepare();
    auto e = store.pictureExists(5);
    EXPECT_FALSE(e.exists);
    EXPECT_EQ(e.picture, store.picturePath(5));
    EXPECT_TRUE(e.thumbnail.endsWith("0000000005.BMP"));

    touch(store.picturePath(5));
    EXPECT_FALSE(store.pictureExists(5).exists);  // thumbnail missing
    touch(store.thumbnailPath(5));
    e = store.pictureExists(5);
    EXPECT_TRUE(e.exists);
    EXPECT_TRUE(QFile::exists(e.thumbnail));

    QDir().mkpath(store.picturePath(6));  // a folder of the picture's name
    touch(store.thumbnailPath(6));
    EXPECT_FALSE(store.pictureExists(6).exists);
}

TEST(PictureExists, FindFileTriesTheOtherCaseOfTheExtension) {
    TempDir tmp;
    touch(tmp.file("a.bmp"));
    touch(tmp.file("b.BMP"));
    EXPECT_EQ(PictureStore::findFile(tmp.file("a.BMP")), tmp.file("a.bmp"));
    EXPECT_EQ(PictureStore::findFile(tmp.file("b.bmp")), tmp.file("b.BMP"));
    EXPECT_EQ(PictureStore::findFile(tmp.file("c.bmp")), tmp.file("c.bmp"));
}
