#include "platform/RestoreTokenStore.h"

#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>

#include <sys/stat.h>

using platform::RestoreTokenStore;

namespace {

mode_t modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 07777;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(RestoreTokenStore, KeepsTheTokenInAFolderAndFileOfThisUserAlone) {
    testsupport::TempDir dir;
    const QString path = dir.file("config/Ostrely/portal-restore-token");
    RestoreTokenStore store(path);
    EXPECT_TRUE(store.load().isEmpty());
    ASSERT_TRUE(store.save("a1b2-c3"));
    EXPECT_EQ(store.load(), "a1b2-c3");
    EXPECT_EQ(modeOf(dir.file("config/Ostrely")), 0700u);
    EXPECT_EQ(modeOf(path) & 077, 0u);
    ASSERT_TRUE(store.save("next"));
    EXPECT_EQ(store.load(), "next");
    EXPECT_EQ(modeOf(path) & 077, 0u) << "a replaced token stays private";
    store.forget();
    EXPECT_FALSE(QFile::exists(path));
    store.forget();  // nothing there: no complaint needed
}

TEST(RestoreTokenStore, WhatIsNotOnePrintableWordIsNeitherReadNorWritten) {
    testsupport::TempDir dir;
    const QString path = dir.file("portal-restore-token");
    RestoreTokenStore store(path);
    testsupport::LogCapture log;
    writeFile(path, "two words\n");
    EXPECT_TRUE(store.load().isEmpty());
    writeFile(path, QByteArray("tok\0en", 6));
    EXPECT_TRUE(store.load().isEmpty());
    writeFile(path, QByteArray(RestoreTokenStore::kMaxBytes + 1, 'x'));
    EXPECT_TRUE(store.load().isEmpty());
    writeFile(path, "  padded\n\n");
    EXPECT_EQ(store.load(), "padded");
    EXPECT_GE(log.matching("ostrely.settings", {"token"}).size(), 3);

    EXPECT_FALSE(store.save("line\nbreak"));
    EXPECT_FALSE(store.save(QString()));
    EXPECT_FALSE(store.save(QString::fromUtf8("caf\u00e9")));
    EXPECT_EQ(store.load(), "padded") << "a refused token leaves the kept one alone";
}

TEST(RestoreTokenStore, AFifoInItsPlaceIsNotWaitedOnAndNoFolderKeepsNothing) {
    testsupport::TempDir dir;
    const QString path = dir.file("portal-restore-token");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_TRUE(RestoreTokenStore(path).load().isEmpty());

    testsupport::LogCapture log;
    RestoreTokenStore nowhere{QString()};
    EXPECT_FALSE(nowhere.save("token"));
    EXPECT_TRUE(nowhere.load().isEmpty());
    EXPECT_EQ(log.matching("ostrely.settings", {"not kept"}).size(), 1);
}
