// Where the cloud is and who may switch sharing off.
#include "cloud/CloudConfig.h"
#include "tests/support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace cloud;

namespace {

// A new file each time: QSettings keeps what it read of a path for a while.
QString adminFile(const testsupport::TempDir& dir, const char* text) {
    static int n = 0;
    const QString path = dir.file(QString("Ostrely%1.conf").arg(++n));
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
    return path;
}

}  // namespace

TEST(CloudConfig, TheEnvironmentOverridesBothHosts) {
    qputenv("OSTRELY_CLOUD_HOST", "localhost:8123");
    qputenv("OSTRELY_STORAGE_HOST", "http://127.0.0.1:8123/");
    const CloudConfig c = CloudConfig::fromEnvironment();
    qunsetenv("OSTRELY_CLOUD_HOST");
    qunsetenv("OSTRELY_STORAGE_HOST");
    EXPECT_EQ(c.tokenUrl("2024061514.pdf"),
              "http://localhost:8123/api/getanonymousqiniuuptokenkey?name=2024061514.pdf");
    EXPECT_EQ(c.fileInfoUrl(), "http://www.localhost:8123/api/qiniuaddanonymousfileinfo");
    EXPECT_EQ(c.storageHost(), "http://127.0.0.1:8123");

    const CloudConfig built = CloudConfig::fromEnvironment();
    EXPECT_FALSE(built.apiHost().isEmpty());
    // The upload goes over TLS unless the build says otherwise; the API stays as it was.
    EXPECT_TRUE(built.storageHost().startsWith("https://")) << built.storageHost().toStdString();
    EXPECT_FALSE(built.apiHost().contains("://"));
}

TEST(CloudConfig, TheApiGoesOverTlsOnlyWhenItsHostSaysSo) {
    const CloudConfig plain("cloud.example:8080", "https://s");
    EXPECT_EQ(plain.apiHost(), "cloud.example:8080");
    EXPECT_TRUE(plain.tokenUrl("1.pdf").startsWith("http://cloud.example:8080/api/"));
    const CloudConfig tls("HTTPS://cloud.example", "https://s");
    EXPECT_EQ(tls.apiHost(), "cloud.example");
    EXPECT_EQ(tls.tokenUrl("1.pdf"),
              "https://cloud.example/api/getanonymousqiniuuptokenkey?name=1.pdf");
    EXPECT_EQ(tls.fileInfoUrl(), "https://www.cloud.example/api/qiniuaddanonymousfileinfo");
    EXPECT_EQ(CloudConfig("http://cloud.example", "s").tokenUrl("1.pdf"),
              "http://cloud.example/api/getanonymousqiniuuptokenkey?name=1.pdf");
}

TEST(CloudConfig, AFileNameThatIsNotUrlSafeIsEncoded) {
    const CloudConfig c("h", "http://s");
    EXPECT_EQ(c.tokenUrl("a b&c.pdf"),
              "http://h/api/getanonymousqiniuuptokenkey?name=a%20b%26c.pdf");
}

TEST(SharingSwitch, OnUnlessTheAdministratorSaysOff) {
    testsupport::TempDir dir;
    EXPECT_TRUE(sharingEnabled(dir.file("absent.conf")));
    EXPECT_TRUE(sharingEnabled(adminFile(dir, "[Share]\nEnabled=true\n")));
    EXPECT_TRUE(sharingEnabled(adminFile(dir, "[Other]\nEnabled=false\n")));
    EXPECT_FALSE(sharingEnabled(adminFile(dir, "[Share]\nEnabled=false\n")));
    EXPECT_FALSE(sharingEnabled(adminFile(dir, "[Share]\nEnabled = False\n")));
    EXPECT_FALSE(sharingEnabled(adminFile(dir, "[Share]\nEnabled=0\n")));
}
