#include "platform/SingleInstance.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <QFile>

using platform::SingleInstance;

TEST(SingleInstance, SecondHolderIsRefusedAndPlantedLinksAreNotFollowed) {
    testsupport::TempDir dir;
    EXPECT_EQ(SingleInstance::acquireIn(dir.path(), "Ostrely.exe"),
              SingleInstance::Result::Acquired);
    EXPECT_EQ(SingleInstance::acquireIn(dir.path(), "Ostrely.exe"),
              SingleInstance::Result::AlreadyHeld);
    EXPECT_EQ(SingleInstance::acquireIn(dir.path(), "Other"), SingleInstance::Result::Acquired);

    ASSERT_TRUE(QFile::link(dir.file("victim"), dir.file("Planted.lock")));
    EXPECT_EQ(SingleInstance::acquireIn(dir.path(), "Planted"),
              SingleInstance::Result::Unavailable);
    EXPECT_FALSE(QFile::exists(dir.file("victim")));

    EXPECT_EQ(SingleInstance::acquireIn(dir.file("missing"), "X"),
              SingleInstance::Result::Unavailable);
    EXPECT_EQ(SingleInstance::acquireIn("", "X"), SingleInstance::Result::Unavailable);
}
