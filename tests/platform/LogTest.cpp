#include "platform/Log.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(LogTest, FailureNamesItsAreaAndTheSystemsCause) {
    testsupport::LogCapture log;
    platform::log::failure(platform::log::camera(), "cannot open /dev/video7", EACCES);
    platform::log::failure(platform::log::board(), "relay did not start", QString("exit code 3"));
    platform::log::failure(platform::log::share(), "export failed", 0);
    EXPECT_EQ(log.lines(), (QStringList{"ostrely.camera: cannot open /dev/video7: Permission denied",
                                        "ostrely.board: relay did not start: exit code 3",
                                        "ostrely.share: export failed"}));
}

TEST(LogTest, DebugLinesOnlyWithTheVariable) {
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        EXPECT_FALSE(platform::log::shell().isDebugEnabled());
    qputenv("OSTRELY_DEBUG", "1");
    platform::log::applyEnvironment();
    EXPECT_TRUE(platform::log::settings().isDebugEnabled());
    QLoggingCategory::setFilterRules(QString());
    qunsetenv("OSTRELY_DEBUG");
}

}  // namespace
