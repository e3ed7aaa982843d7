#include "camera/PictureStore.h"
#include "platform/Folders.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <ctime>

using camera::PictureStore;
using testsupport::TempDir;

namespace {

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

// Picture n with its thumbnail, as a capture leaves them.
void takePicture(const PictureStore& store, int n) {
    QFile jpg(store.picturePath(n));
    ASSERT_TRUE(jpg.open(QIODevice::WriteOnly));
    jpg.write("\xff\xd8 picture " + QByteArray::number(n));
    touch(store.thumbnailPath(n));
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void makeOlder(const QString& path, int days) {
    const std::time_t then = std::time(nullptr) - std::time_t{days} * 24 * 3600;
    const timeval times[2] = {{then, 0}, {then, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(path).constData(), times), 0);
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
              (QStringList{"image", "running", "thumb"}));
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

// Runs that end in order leave nothing; runs that do not (crash, kill, power cut, a held end)
// come back whole at the next start, under their own numbers.
TEST(PictureStoreKeptRun, AnOrderlyEndEmptiesTheNextStart) {
    TempDir tmp;
    PictureStore run(tmp.path());
    run.prepare();
    EXPECT_TRUE(run.runRecorded());
    takePicture(run, 1);
    run.endRun();
    EXPECT_FALSE(run.runRecorded());

    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_TRUE(next.keptPictures().empty());
    EXPECT_FALSE(QFile::exists(next.picturePath(1)));
    EXPECT_FALSE(QFile::exists(tmp.file("KBCamera.kept")));
}

TEST(PictureStoreKeptRun, AnUnendedRunComesBackWithItsNumbersAndOnlyItsPictures) {
    TempDir tmp;
    PictureStore crashed(tmp.path());
    crashed.prepare();
    for (int n : {1, 2, 4, 12}) takePicture(crashed, n);
    QFile::rename(crashed.thumbnailPath(4), crashed.thumbnailFolder() + "0000000004.BMP");
    QFile::remove(crashed.thumbnailPath(12));    // cut off between picture and thumbnail
    touch(crashed.snapshotPath(13));             // a capture in progress
    touch(crashed.imageFolder() + "notes.jpg");  // not a picture name
    QFile(crashed.picturePath(14)).open(QIODevice::WriteOnly);  // power cut: empty file
    // no endRun: the process died

    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), (std::vector<int>{1, 2, 4, 12}));
    EXPECT_EQ(contentOf(next.picturePath(2)), "\xff\xd8 picture 2");
    EXPECT_TRUE(next.pictureExists(4).exists) << "either case of the thumbnail comes back";
    EXPECT_TRUE(QFile::exists(next.picturePath(12)));
    EXPECT_FALSE(QFile::exists(next.snapshotPath(13)));
    EXPECT_FALSE(QFile::exists(next.imageFolder() + "notes.jpg"));
    EXPECT_FALSE(QFile::exists(next.picturePath(14)));
    EXPECT_FALSE(QFile::exists(tmp.file("KBCamera.kept"))) << "nothing stays aside";
    EXPECT_TRUE(next.runRecorded());
    EXPECT_TRUE(platform::isPrivateFolder(next.storeFolder().chopped(1)));

    // The run that brought them back dies too: they come back again, with its own pictures.
    takePicture(next, 13);
    PictureStore third(tmp.path());
    third.prepare();
    EXPECT_EQ(third.keptPictures(), (std::vector<int>{1, 2, 4, 12, 13}));
    third.endRun();
    PictureStore fourth(tmp.path());
    fourth.prepare();
    EXPECT_TRUE(fourth.keptPictures().empty());
}

TEST(PictureStoreKeptRun, AHeldRunComesBackEvenAfterAnOrderlyEnd) {
    TempDir tmp;
    PictureStore run(tmp.path());
    run.prepare();
    takePicture(run, 3);
    run.holdRun();
    run.endRun();
    EXPECT_TRUE(run.runRecorded());
    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), std::vector<int>{3});
    EXPECT_FALSE(next.runHeld());
}

TEST(PictureStoreKeptRun, OldPicturesAreLetGoSoTheDiskNeverFills) {
    TempDir tmp;
    PictureStore crashed(tmp.path());
    crashed.prepare();
    takePicture(crashed, 1);
    takePicture(crashed, 2);
    makeOlder(crashed.picturePath(1), PictureStore::kKeptDays + 1);
    makeOlder(crashed.picturePath(2), PictureStore::kKeptDays - 1);
    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), std::vector<int>{2});
    EXPECT_FALSE(QFile::exists(next.picturePath(1)));
}

TEST(PictureStoreKeptRun, ABringBackCutShortLosesNothing) {
    TempDir tmp;
    // A start that moved the unended run aside died before it had brought all of it back.
    PictureStore cut(tmp.path());
    cut.prepare();
    takePicture(cut, 5);
    QDir().mkpath(tmp.file("KBCamera.kept/image"));
    QDir().mkpath(tmp.file("KBCamera.kept/thumb"));
    touch(tmp.file("KBCamera.kept/image/0000000002.jpg"));
    touch(tmp.file("KBCamera.kept/thumb/0000000002.bmp"));

    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), (std::vector<int>{2, 5}));
    EXPECT_TRUE(next.pictureExists(2).exists);
}

TEST(PictureStoreKeptRun, LinksAreNeitherRecordsNorPictures) {
    TempDir tmp, elsewhere;
    touch(elsewhere.file("precious.jpg"));
    touch(elsewhere.file("record"));
    QDir().mkpath(tmp.file("KBCamera/image"));
    ASSERT_TRUE(QFile::link(elsewhere.file("record"), tmp.file("KBCamera/running")));
    PictureStore linkedRecord(tmp.path());
    linkedRecord.prepare();
    EXPECT_TRUE(linkedRecord.keptPictures().empty()) << "a linked record is no record";
    EXPECT_TRUE(QFile::exists(elsewhere.file("record")));

    ASSERT_TRUE(QFile::link(elsewhere.file("precious.jpg"), linkedRecord.picturePath(1)));
    takePicture(linkedRecord, 2);
    PictureStore next(tmp.path());
    next.prepare();
    EXPECT_EQ(next.keptPictures(), std::vector<int>{2});
    EXPECT_FALSE(QFileInfo(next.picturePath(1)).isSymLink());
    EXPECT_TRUE(QFile::exists(elsewhere.file("precious.jpg")));

    // A link planted as the folder set aside is removed as a link.
    ASSERT_TRUE(QFile::link(elsewhere.path(), tmp.file("KBCamera.kept")));
    next.endRun();
    PictureStore last(tmp.path());
    last.prepare();
    EXPECT_TRUE(QFile::exists(elsewhere.file("precious.jpg")));
    EXPECT_FALSE(QFile::exists(tmp.file("KBCamera.kept")));
}

TEST(PictureStoreKeptRun, ARecordRemovedByHandComesBackBeforeTheNextCapture) {
    TempDir tmp;
    PictureStore run(tmp.path());
    run.prepare();
    QDir(run.storeFolder()).removeRecursively();
    EXPECT_TRUE(run.ensureFolders());
    EXPECT_TRUE(run.runRecorded());
}
